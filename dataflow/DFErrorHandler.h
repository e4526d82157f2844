// DFErrorHandler: the one channel through which blocks report problems.
//
// Each Post* operation writes its text, an end of line and a flush to the
// standard error stream, whole and once; no prefix, severity or block name is
// added, and the block argument is not used.
#pragma once

namespace Vantrel {

class DFModel;

class DFErrorHandler {
public:
    DFErrorHandler() = delete;
    static void PostError(DFModel* pBlock, const char* text);
    static void PostWarning(DFModel* pBlock, const char* text);
    static void PostInfo(DFModel* pBlock, const char* text);
    static void PostLog(DFModel* pBlock, const char* text);
    static void PostProgress(DFModel* pBlock, const char* text);
    static void ClearProgress(DFModel*) {}
    static bool StopRequested() { return false; }
};

}  // namespace Vantrel
