// DFModel: the base of every dataflow block and of both top-level models.
//
// Lifecycle contract (every block and network keeps it):
//   constructed (parameters at defaults) -> parameters assigned -> Setup ->
//   Initialize -> Run* -> Finalize -> destroyed.
// - Setup(): checks the parameters (each bad one posted through
//   DFErrorHandler::PostError, result false), derives constants, sets rates and
//   history depths of the block's buffers and sizes its buses. It allocates no
//   sample storage, except that networks allocate their array-valued block
//   parameters here (freed first by DeleteArrayParameters on a repeated Setup).
// - Initialize(): called once the owner has attached storage to the ports;
//   allocates and zeroes private histories and resets all state. A repeated
//   Initialize first frees what the previous one allocated.
// - Run(): one firing; reads element 0 of each input, writes element 0 of each
//   output. Allocates nothing and makes no system call. False only on a fault.
// - Finalize(): frees what Initialize allocated.
// - UpdateDynamicParameters(): re-reads parameters that may change between
//   firings; blocks that have some call it from their own Initialize.
// Every operation returns true here, so a block overrides only what it needs.
//
// Networks call every block even after one has failed and return the AND of
// the results, so that each fault is reported once.
#pragma once

namespace Vantrel {

class DFModel {
public:
    DFModel() = default;
    DFModel(const DFModel&) = delete;
    DFModel& operator=(const DFModel&) = delete;
    virtual bool Setup() { return true; }
    virtual bool Initialize() { return true; }
    virtual bool Run() { return true; }
    virtual bool Finalize() { return true; }
    virtual bool UpdateDynamicParameters() { return true; }
    virtual ~DFModel() = default;
};

}  // namespace Vantrel
