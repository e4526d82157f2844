// Entry points of the transmitter library tx_ami.
#include "ami/AmiEntryPoints.h"
#include "ami/TxTraits.h"

AMI_DEFINE_ENTRY_POINTS(Vantrel::AMI::TxTraits)
