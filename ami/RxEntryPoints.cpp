// Entry points of the receiver library rx_ami.
#include "ami/AmiEntryPoints.h"
#include "ami/RxTraits.h"

AMI_DEFINE_ENTRY_POINTS(Vantrel::AMI::RxTraits)
