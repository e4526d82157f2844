// The IBIS-AMI entry points, written once for both libraries.
//
// A library supplies a traits type:
//   using Model = <top-level model>;            // a Vantrel::DFModel
//   static constexpr const char* kName;         // model name in the messages
//   static constexpr bool kHasClock;            // model has a ClockPort
//   static size_t Parameters(Model&, ParameterRow* rows);  // fills <= kMaxRows
// and instantiates the entry points with AMI_DEFINE_ENTRY_POINTS(Traits).
//
// The model exposes the public members InputPort, OutputPort (and ClockPort
// when kHasClock), all Vantrel::CircularBuffer<double>, and BitTime (double,
// seconds) and SamplesPerBit (int). A model that has
// Lookahead(const double*, size_t) is told each call's input block before its
// samples are run one by one (it may compute ahead from them).
//
// When the model also has a public double SampleInterval, AMI_Init stores the
// simulator's sample_interval in it, so that the model can step its time by
// the real sample interval when bit_time is not a whole number of samples.
//
// Nothing a simulator passes in can stop the host process: every argument is
// checked (a floating-point parameter read as NaN or infinity makes AMI_Init
// fail, naming it), a model that failed Setup or Initialize is never fired, no C++
// exception leaves an entry point, and a handle that is not live (closed
// already, or never given out) is refused without being touched: each
// library keeps a list of the instances it gave out and has not yet closed.
//
// Clock times: a call of wave_size samples writes at most
// ceil(wave_size / samples per bit) + 1 entries to clock_times, the -1.0
// terminator included; the caller must allocate that many. A time that does
// not fit is carried, in time order, to the start of the next call.
#pragma once

#include <cmath>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include "base/AmiExport.h"
#include "ami/AmiInstance.h"
#include "ami/AmiParameters.h"
#include "dataflow/CircularBuffer.h"

namespace Vantrel {
namespace AMI {

// True when the model has a member SampleInterval that AMI_Init can set.
template <class M, class = void>
struct HasSampleInterval : std::false_type {};
template <class M>
struct HasSampleInterval<M, std::void_t<decltype(std::declval<M&>().SampleInterval = 0.0)>> : std::true_type {};

// Entries a call of wave_size samples may write to clock_times, the
// terminator included: ceil(wave_size / samplesPerBit) + 1.
inline size_t ClockTimesCapacity(long wave_size, int samplesPerBit)
{
    const long whole = wave_size / samplesPerBit;
    return static_cast<size_t>(whole) + (wave_size % samplesPerBit != 0 ? 1u : 0u) + 1u;
}

// Clock times carried from one AMI_GetWave call to the next at most: far
// more than a clock at the bit rate leaves over, so only a clock that runs
// well above the bit rate for long loses times (the oldest carried).
constexpr size_t kCarriedClockTimes = 4096;


// Calls model.Lookahead(p, n) where the model has it.
template <class M>
auto AnnounceInputs(M& model, const double* p, size_t n, int) -> decltype(model.Lookahead(p, n), void())
{
    model.Lookahead(p, n);
}
template <class M>
void AnnounceInputs(M&, const double*, size_t, long)
{
}

template <class Traits>
class EntryPoints {
public:
    using Model = typename Traits::Model;
    using Instance = AmiInstance<Model>;

    static long Init(double* /*impulse_matrix*/, long /*row_size*/, long /*aggressors*/,
                     double sample_interval, double bit_time, char* AMI_parameters_in,
                     char** /*AMI_parameters_out*/, void** AMI_memory_handle, char** msg)
    {
        if (!AMI_memory_handle) {
            // Nowhere to hand the instance to: none is made.
            if (msg) *msg = const_cast<char*>(kNullHandleMessage);
            return 0;
        }
        Instance* inst = nullptr;
        try {
            inst = new Instance();
            inst->carriedClockTimes.resize(kCarriedClockTimes);
        } catch (...) {
            delete inst;
            *AMI_memory_handle = nullptr;
            return 0;
        }
        bool ok = false;
        try {
            ok = InitInstance(*inst, sample_interval, bit_time, AMI_parameters_in);
        } catch (const std::bad_alloc&) {
            Append(*inst, "Out of memory while initializing ");
            ok = false;
        } catch (...) {
            Append(*inst, "Unexpected failure while initializing ");
            ok = false;
        }
        inst->ready = ok;
        AddLive(inst);
        *AMI_memory_handle = inst;
        if (!inst->message.empty()) {
            try {
                const size_t n = inst->message.size();
                inst->initMessage.reset(new char[n + 1]);
                std::memcpy(inst->initMessage.get(), inst->message.c_str(), n + 1);
                if (msg) *msg = inst->initMessage.get();
            } catch (...) {
                // No memory for the copy: the messages stay in the instance.
            }
        }
        return ok ? 1 : 0;
    }

    static long GetWave(double* wave, long wave_size, double* clock_times,
                        char** /*AMI_parameters_out*/, void* AMI_memory)
    {
        if (!IsLive(AMI_memory)) return 0;
        Instance& inst = *static_cast<Instance*>(AMI_memory);
        try {
            return GetWaveChecked(inst, wave, wave_size, clock_times);
        } catch (...) {
            Append(inst, "Out of memory in AMI_GetWave. ");
            return 0;
        }
    }

    static long Close(void* AMI_memory)
    {
        if (!RemoveLive(AMI_memory)) return 0;
        Instance* inst = static_cast<Instance*>(AMI_memory);
        long result = 1;
        try {
            if (!inst->model.Finalize()) {
                AppendError(*inst, "Finalize");
                result = 0;
            }
        } catch (...) {
            result = 0;
        }
        FreePort(inst->model.InputPort);
        FreePort(inst->model.OutputPort);
        if constexpr (Traits::kHasClock) FreePort(inst->model.ClockPort);
        delete inst;
        return result;
    }

private:
    static constexpr const char* kNullHandleMessage =
        "AMI_Init was called with a null AMI_memory_handle; no model was created. ";

    // The live instances: a list through AmiInstance::nextLive, searched by
    // address only, so that a stale handle is never dereferenced. The lock
    // serves hosts that run different instances on different threads.
    static std::mutex& LiveLock()
    {
        static std::mutex lock;
        return lock;
    }
    static Instance*& LiveHead()
    {
        static Instance* head = nullptr;
        return head;
    }
    static void AddLive(Instance* inst)
    {
        std::lock_guard<std::mutex> guard(LiveLock());
        inst->nextLive = LiveHead();
        LiveHead() = inst;
    }
    static bool IsLive(const void* handle)
    {
        if (!handle) return false;
        std::lock_guard<std::mutex> guard(LiveLock());
        for (const Instance* p = LiveHead(); p; p = p->nextLive)
            if (p == handle) return true;
        return false;
    }
    static bool RemoveLive(const void* handle)
    {
        if (!handle) return false;
        std::lock_guard<std::mutex> guard(LiveLock());
        for (Instance** link = &LiveHead(); *link; link = &(*link)->nextLive) {
            if (*link == handle) {
                *link = (*link)->nextLive;
                return true;
            }
        }
        return false;
    }

    static void Append(Instance& inst, const char* text)
    {
        inst.message += text;
    }

    // "Error occurred in <model>::<operation>(). "
    static void AppendError(Instance& inst, const char* operation)
    {
        inst.message += "Error occurred in ";
        inst.message += Traits::kName;
        inst.message += "::";
        inst.message += operation;
        inst.message += "(). ";
    }

    static std::string Number(double v)
    {
        std::ostringstream os;
        os << v;
        return os.str();
    }

    static void AppendOutOfRange(Instance& inst, const ParameterRow& row)
    {
        const double v = row.pInt ? static_cast<double>(*row.pInt) : *row.pDouble;
        inst.message += "The IBIS-AMI model, ";
        inst.message += Traits::kName;
        inst.message += ", was given ";
        inst.message += row.pszName;
        inst.message += " = ";
        inst.message += Number(v);
        inst.message += ", outside the range ";
        inst.message += Number(row.min);
        inst.message += " to ";
        inst.message += Number(row.max);
        inst.message += " of its parameter file; the model may refuse it when it runs. ";
    }

    static void AppendBadArgument(Instance& inst, const char* name, double value, const char* rule)
    {
        inst.message += "The IBIS-AMI model, ";
        inst.message += Traits::kName;
        inst.message += ", cannot run with ";
        inst.message += name;
        inst.message += " = ";
        inst.message += Number(value);
        inst.message += ": ";
        inst.message += rule;
        inst.message += " ";
    }

    static void AttachPort(Vantrel::CircularBuffer<double>& port)
    {
        double* storage = new double[1]();
        port.SetBuffer(storage, 1, 1, 0);
    }

    static void FreePort(Vantrel::CircularBuffer<double>& port)
    {
        if (port.GetSize() == 0 || !port.GetBufferMemory()) return;
        delete[] &port[0];
        port.SetBuffer(nullptr, 0, 1, 0);
    }

    static bool InitInstance(Instance& inst, double sample_interval, double bit_time,
                             const char* params)
    {
        // samplesPerBit = bit_time / sample_interval + 0.5, truncated; the
        // checks keep the division and the conversion defined.
        bool argsOk = true;
        int spb = 0;
        if (!(sample_interval > 0.0) || !std::isfinite(sample_interval)) {
            AppendBadArgument(inst, "sample_interval", sample_interval,
                              "it must be a positive, finite number of seconds.");
            argsOk = false;
        }
        if (!(bit_time > 0.0) || !std::isfinite(bit_time)) {
            AppendBadArgument(inst, "bit_time", bit_time,
                              "it must be a positive, finite number of seconds.");
            argsOk = false;
        }
        if (argsOk) {
            const double ratio = bit_time / sample_interval + 0.5;
            if (!(ratio >= 1.0) || !(ratio < static_cast<double>(INT_MAX))) {
                AppendBadArgument(inst, "bit_time", bit_time,
                                  "it must give at least one sample per bit at the sample_interval.");
                argsOk = false;
            } else {
                spb = static_cast<int>(ratio);
            }
        }
        inst.samplesPerBit = spb;
        inst.model.SamplesPerBit = spb;
        inst.model.BitTime = bit_time;
        if constexpr (HasSampleInterval<Model>::value) {
            if (argsOk) inst.model.SampleInterval = sample_interval;
        }

        ParameterRow rows[kMaxRows];
        const size_t n = Traits::Parameters(inst.model, rows);
        ReadAmiParameters(params, Traits::kName, rows, n, inst.message);
        // A number read as "nan" or "1e999" is no setting a model can run
        // with (a VCO of NaN Hz per volt never gives a clock time).
        for (size_t i = 0; i < n; ++i)
            if (rows[i].pDouble && !std::isfinite(*rows[i].pDouble)) {
                AppendBadArgument(inst, rows[i].pszName, *rows[i].pDouble, "it must be a finite number.");
                argsOk = false;
            }
        // A value outside what the parameter file allows is named (the run
        // goes on as the model's blocks take it: some refuse it later).
        for (size_t i = 0; i < n; ++i) {
            const double v = rows[i].pInt ? static_cast<double>(*rows[i].pInt) : *rows[i].pDouble;
            if (rows[i].max >= rows[i].min && std::isfinite(v) && (v < rows[i].min || v > rows[i].max))
                AppendOutOfRange(inst, rows[i]);
        }

        AttachPort(inst.model.InputPort);
        AttachPort(inst.model.OutputPort);
        if constexpr (Traits::kHasClock) AttachPort(inst.model.ClockPort);

        if (!argsOk) return false;
        if (!inst.model.Setup()) {
            AppendError(inst, "Setup");
            return false;
        }
        if (!inst.model.Initialize()) {
            AppendError(inst, "Initialize");
            return false;
        }
        return true;
    }

    // A model without a clock port may offer size_t RunBlock(double* wave,
    // size_t n): the n firings of AMI_GetWave on wave in place
    // (InputPort[0] = wave[i], Run, wave[i] = OutputPort[0]), stopping at the
    // first that fails with that sample and the later ones untouched, and
    // returning the number that succeeded. AMI_GetWave then hands it the
    // whole call.
    template <class M>
    static constexpr auto HasRunBlock(int)
        -> decltype(std::declval<M&>().RunBlock(std::declval<double*>(), size_t{}) == size_t{}, bool())
    {
        return true;
    }
    template <class M>
    static constexpr bool HasRunBlock(long)
    {
        return false;
    }

    static long GetWaveChecked(Instance& inst, double* wave, long wave_size, double* clock_times)
    {
        if (wave_size < 0) {
            inst.message += "AMI_GetWave was called with a negative wave_size; no samples were processed. ";
            return 0;
        }
        if (!clock_times || (wave_size > 0 && !wave)) {
            inst.message += "AMI_GetWave was called with a null wave or clock_times; no samples were processed. ";
            return 0;
        }
        if (!inst.ready) {
            inst.message += "AMI_GetWave was called on a model that failed to initialize; no samples were processed. ";
            return 0;
        }
        if constexpr (!Traits::kHasClock && HasRunBlock<Model>(0)) {
            // The whole call at once; no clock, so only the terminator.
            const size_t n = static_cast<size_t>(wave_size);
            long result = 1;
            if (n > 0 && inst.model.RunBlock(wave, n) < n) {
                AppendError(inst, "Run");
                result = 0;
            }
            clock_times[0] = -1.0;
            return result;
        }
        // Capacity m = ceil(wave_size / samplesPerBit) + 1 entries, the
        // terminator included. Times carried from earlier calls come first;
        // a time that finds no room is carried to the next call.
        const size_t room = ClockTimesCapacity(wave_size, inst.samplesPerBit) - 1;
        size_t k = 0;  // clock times written
        while (k < room && inst.carriedCount > 0) clock_times[k++] = TakeCarried(inst);

        Model& model = inst.model;
        long result = 1;
        AnnounceInputs(model, wave, static_cast<size_t>(wave_size), 0);
        for (long i = 0; i < wave_size; ++i) {
            model.InputPort[0] = wave[i];
            if (!model.Run()) {
                AppendError(inst, "Run");
                result = 0;
                break;
            }
            wave[i] = model.OutputPort[0];
            if constexpr (Traits::kHasClock) {
                const double t = model.ClockPort[0];
                if (t >= 0.0) {
                    if (k < room && inst.carriedCount == 0)
                        clock_times[k++] = t;
                    else
                        Carry(inst, t);
                }
            }
        }
        AnnounceInputs(model, nullptr, 0, 0);  // the host's array is not kept
        clock_times[k] = -1.0;
        return result;
    }

    static double TakeCarried(Instance& inst)
    {
        const double t = inst.carriedClockTimes[inst.carriedFirst];
        inst.carriedFirst = (inst.carriedFirst + 1) % inst.carriedClockTimes.size();
        --inst.carriedCount;
        return t;
    }

    // Appends t to the carried times; when the ring is full the oldest is
    // lost, and the first loss is reported in the instance's message.
    static void Carry(Instance& inst, double t)
    {
        const size_t size = inst.carriedClockTimes.size();
        if (inst.carriedCount == size) {
            TakeCarried(inst);
            if (inst.droppedClockTimes++ == 0)
                inst.message += "The recovered clock gave more clock times than AMI_GetWave could return; the oldest were dropped. ";
        }
        inst.carriedClockTimes[(inst.carriedFirst + inst.carriedCount) % size] = t;
        ++inst.carriedCount;
    }
};

}  // namespace AMI
}  // namespace Vantrel

// Defines the three exported entry points of a library on EntryPoints<Traits>.
#define AMI_DEFINE_ENTRY_POINTS(Traits)                                                        \
    extern "C" AMI_EXPORT long AMI_Init(double* impulse_matrix, long row_size, long aggressors, \
                                        double sample_interval, double bit_time,                \
                                        char* AMI_parameters_in, char** AMI_parameters_out,     \
                                        void** AMI_memory_handle, char** msg)                   \
    {                                                                                           \
        return ::Vantrel::AMI::EntryPoints<Traits>::Init(                                       \
            impulse_matrix, row_size, aggressors, sample_interval, bit_time, AMI_parameters_in, \
            AMI_parameters_out, AMI_memory_handle, msg);                                        \
    }                                                                                           \
    extern "C" AMI_EXPORT long AMI_GetWave(double* wave, long wave_size, double* clock_times,   \
                                           char** AMI_parameters_out, void* AMI_memory)         \
    {                                                                                           \
        return ::Vantrel::AMI::EntryPoints<Traits>::GetWave(wave, wave_size, clock_times,       \
                                                            AMI_parameters_out, AMI_memory);    \
    }                                                                                           \
    extern "C" AMI_EXPORT long AMI_Close(void* AMI_memory)                                      \
    {                                                                                           \
        return ::Vantrel::AMI::EntryPoints<Traits>::Close(AMI_memory);                          \
    }
