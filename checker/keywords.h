// Keyword numbers of the IBIS checker and the line types that the frame hands
// to the receiving modules.
//
// The numbers keep each receiving module's keywords in one run, so a module
// is found from a number by range (see PARSE's module table):
//   header 0 and 2..8, COMMENT_CHAR 1 (frame), component 9..23 and 26..29,
//   external circuit 24..25, model 30..73, package model 74..88,
//   board description 89..95, model selector 96, submodel 97..107,
//   test data 108..116, test load 117, the component tables of 6.0 and
//   later 118..123, interconnect model sets 124..129, [Initial Delay] 130,
//   END 131 (frame), no keyword 132.
// Some names stand twice (MANUFACTURER and DESCRIPTION, NUMBER_OF_PINS and
// the curve keywords); recognition finds the first and the context turns it
// into the other (PARSE's keyword recognition). The names and the versions
// that brought each keyword are in ver.cpp.
#pragma once

enum IBIS_KEYWORD {
  KW_IBIS_VER = 0,
  KW_COMMENT_CHAR = 1,
  KW_FILE_NAME = 2,
  KW_FILE_REV = 3,
  KW_DATE = 4,
  KW_SOURCE = 5,
  KW_NOTES = 6,
  KW_DISCLAIMER = 7,
  KW_COPYRIGHT = 8,
  // component
  KW_COMPONENT = 9,
  KW_MANUFACTURER = 10,
  KW_PACKAGE = 11,
  KW_PIN = 12,
  KW_PACKAGE_MODEL = 13,
  KW_PIN_MAPPING = 14,
  KW_DIFF_PIN = 15,
  KW_SERIES_SWITCH_GROUPS = 16,
  KW_SERIES_PIN_MAPPING = 17,
  KW_ALTERNATE_PACKAGE_MODELS = 18,
  KW_END_ALTERNATE_PACKAGE_MODELS = 19,
  KW_NODE_DECLARATIONS = 20,
  KW_END_NODE_DECLARATIONS = 21,
  KW_CIRCUIT_CALL = 22,
  KW_END_CIRCUIT_CALL = 23,
  // external circuit
  KW_EXTERNAL_CIRCUIT = 24,
  KW_END_EXTERNAL_CIRCUIT = 25,
  // component EMI
  KW_BEGIN_EMI_COMPONENT = 26,
  KW_END_EMI_COMPONENT = 27,
  KW_PIN_EMI = 28,
  KW_PIN_DOMAIN_EMI = 29,
  // model
  KW_MODEL = 30,
  KW_TEMPERATURE_RANGE = 31,
  KW_VOLTAGE_RANGE = 32,
  KW_PULLUP_REFERENCE = 33,
  KW_PULLDOWN_REFERENCE = 34,
  KW_POWER_CLAMP_REFERENCE = 35,
  KW_GND_CLAMP_REFERENCE = 36,
  KW_PULLDOWN = 37,
  KW_PULLUP = 38,
  KW_GND_CLAMP = 39,
  KW_POWER_CLAMP = 40,
  KW_RGND = 41,
  KW_RPOWER = 42,
  KW_RAC = 43,
  KW_CAC = 44,
  KW_RAMP = 45,
  KW_RISING_WAVEFORM = 46,
  KW_FALLING_WAVEFORM = 47,
  KW_EXTERNAL_REFERENCE = 48,
  KW_TTGND = 49,
  KW_TTPOWER = 50,
  KW_MODEL_SPEC = 51,
  KW_DRIVER_SCHEDULE = 52,
  KW_ON = 53,
  KW_OFF = 54,
  KW_R_SERIES = 55,
  KW_L_SERIES = 56,
  KW_RL_SERIES = 57,
  KW_C_SERIES = 58,
  KW_LC_SERIES = 59,
  KW_RC_SERIES = 60,
  KW_SERIES_CURRENT = 61,
  KW_SERIES_MOSFET = 62,
  KW_ADD_SUBMODEL = 63,
  KW_EXTERNAL_MODEL = 64,
  KW_END_EXTERNAL_MODEL = 65,
  KW_RECEIVER_THRESHOLDS = 66,
  KW_ALGORITHMIC_MODEL = 67,
  KW_END_ALGORITHMIC_MODEL = 68,
  KW_ISSO_PD = 69,
  KW_ISSO_PU = 70,
  KW_COMPOSITE_CURRENT = 71,
  KW_BEGIN_EMI_MODEL = 72,
  KW_END_EMI_MODEL = 73,
  // package model
  KW_DEFINE_PACKAGE_MODEL = 74,
  KW_PKG_MANUFACTURER = 75,
  KW_OEM = 76,
  KW_DESCRIPTION = 77,
  KW_NUMBER_OF_PINS = 78,
  KW_PIN_NUMBERS = 79,
  KW_MODEL_DATA = 80,
  KW_RESISTANCE_MATRIX = 81,
  KW_INDUCTANCE_MATRIX = 82,
  KW_CAPACITANCE_MATRIX = 83,
  KW_BANDWIDTH = 84,
  KW_ROW = 85,
  KW_END_MODEL_DATA = 86,
  KW_END_PACKAGE_MODEL = 87,
  KW_NUMBER_OF_SECTIONS = 88,
  // board description
  KW_BEGIN_BOARD_DESCRIPTION = 89,
  KW_EBD_MANUFACTURER = 90,
  KW_EBD_NUMBER_OF_PINS = 91,
  KW_PIN_LIST = 92,
  KW_PATH_DESCRIPTION = 93,
  KW_REFERENCE_DESIGNATOR_MAP = 94,
  KW_END_BOARD_DESCRIPTION = 95,
  // model selector
  KW_MODEL_SELECTOR = 96,
  // submodel
  KW_SUBMODEL = 97,
  KW_SUBMODEL_SPEC = 98,
  KW_GND_PULSE_TABLE = 99,
  KW_POWER_PULSE_TABLE = 100,
  KW_SUB_PULLDOWN = 101,
  KW_SUB_PULLUP = 102,
  KW_SUB_GND_CLAMP = 103,
  KW_SUB_POWER_CLAMP = 104,
  KW_SUB_RAMP = 105,
  KW_SUB_RISING_WAVEFORM = 106,
  KW_SUB_FALLING_WAVEFORM = 107,
  // test data
  KW_TEST_DATA = 108,
  KW_RISING_WAVEFORM_NEAR = 109,
  KW_RISING_WAVEFORM_FAR = 110,
  KW_FALLING_WAVEFORM_NEAR = 111,
  KW_FALLING_WAVEFORM_FAR = 112,
  KW_DIFF_RISING_WAVEFORM_NEAR = 113,
  KW_DIFF_RISING_WAVEFORM_FAR = 114,
  KW_DIFF_FALLING_WAVEFORM_NEAR = 115,
  KW_DIFF_FALLING_WAVEFORM_FAR = 116,
  // test load
  KW_TEST_LOAD = 117,
  // component tables of 6.0 and later
  KW_REPEATER_PIN = 118,
  KW_CLOCK_PINS = 119,
  KW_BUS_LABEL = 120,
  KW_DIE_SUPPLY_PADS = 121,
  KW_INTERCONNECT_MODEL_GROUP = 122,
  KW_END_INTERCONNECT_MODEL_GROUP = 123,
  // interconnect model sets (7.0)
  KW_INTERCONNECT_MODEL_SET = 124,
  KW_END_INTERCONNECT_MODEL_SET = 125,
  KW_INTERCONNECT_MODEL = 126,
  KW_END_INTERCONNECT_MODEL = 127,
  KW_IMS_MANUFACTURER = 128,
  KW_IMS_DESCRIPTION = 129,
  // model and submodel (6.1)
  KW_INITIAL_DELAY = 130,
  KW_END = 131,
  KW_NOT_KEY = 132
};

#define KW_COUNT 133

// Line types handed to ReceiveLine operations.
#define LINE_KEYWORD 1
#define LINE_DATA 2

// File types of a check.
#define FILE_TYPE_IBS 1
#define FILE_TYPE_PKG 2
#define FILE_TYPE_EBD 3
#define FILE_TYPE_AMI 4
