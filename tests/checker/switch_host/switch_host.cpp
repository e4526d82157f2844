// A host program linked against one of the libraries (not loaded with
// dlopen): it clears the two exported switches, as a driving program does,
// and raises an error and a caution through the library's error log. The
// library must read the host's switches, so both lines come out numbered.
#include "base/errlog.h"

int main()
{
    gbOldStyleErrors = 0;
    gbSuppressCautions = 0;
    ERRLOG_ErrorNew(1923);
    ERRLOG_CautionNew(182, "m");
    return 0;
}
