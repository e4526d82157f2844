// Marks a function as part of a library's exported interface. Everything else
// is compiled with hidden visibility, so only marked functions appear in the
// dynamic symbol table of rx_ami.so and tx_ami.so.
#pragma once

#define AMI_EXPORT __attribute__((visibility("default")))
