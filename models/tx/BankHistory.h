// BankHistory: the inputs of the transmitter's de-emphasis filters, which all
// sixteen filters share (every bank's TapFanout delivers the same sample to
// its four filters, and EmphasisFanout the same sample to every bank).
//
// Window()[j] is the input j samples before the newest (j = 0 the newest),
// for j < Depth(); all Depth() of them lie in one contiguous run, newest
// first, so a filter's lane sum (FirKernel::DotLanes) reads them in place and
// gives the bits the filter's own history gives. The inputs are written
// downwards into a run of Depth() + spare slots; when the run's start is
// reached the newest Depth() inputs are moved to its end, once every `spare`
// inputs.
//
// Lifecycle: Allocate (in the owner's Initialize) takes the memory and zeroes
// it, the state of filters at rest; Push allocates nothing; Release frees.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>

class BankHistory {
public:
    void Allocate(size_t depth, size_t spare)
    {
        m_pdData.reset(new double[depth + spare]());
        m_iDepth = depth;
        m_iSpare = spare;
        m_iNewest = spare;
    }
    void Release()
    {
        m_pdData.reset();
        m_iDepth = m_iSpare = m_iNewest = 0;
    }
    bool Allocated() const { return m_pdData != nullptr; }
    size_t Depth() const { return m_iDepth; }

    void Push(double x)
    {
        if (m_iNewest == 0) {
            std::memmove(m_pdData.get() + m_iSpare, m_pdData.get(), m_iDepth * sizeof(double));
            m_iNewest = m_iSpare;
        }
        m_pdData[--m_iNewest] = x;
    }
    const double* Window() const { return m_pdData.get() + m_iNewest; }

private:
    std::unique_ptr<double[]> m_pdData;
    size_t m_iDepth = 0;
    size_t m_iSpare = 0;
    size_t m_iNewest = 0;  // slot of the newest input; Window() runs Depth() slots from here
};
