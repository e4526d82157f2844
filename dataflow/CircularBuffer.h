// Circular sample buffers and buses.
//
// A CircularBuffer<T> is a typed view onto an array of m_iSize items that it
// does not own, with a movable start location: element i is the item at
// storage position (m_iStartLocation + i) wrapped once at m_iSize. Every
// connection between blocks, every external port and every block history is
// one. Element access costs one or two comparisons and one subtraction and
// never allocates.
//
// Sliding windows: a block with memory attaches m_iHistoryDepth items, writes
// the m_iRate items of a firing at elements m_iHistoryDepth - m_iRate upward,
// reads elements 0 .. m_iHistoryDepth - 1 (element 0 the oldest) and calls
// Advance() at the end of the firing.
//
// Connections: the owning network attaches one item (SetBuffer(p, 1, 1, 0)) to
// the producer's output and to every consumer's input, so all share element 0.
//
// Preconditions are checked with VANTREL_REQUIRE and stop the process with the
// quoted text; callers range-check anything that data can reach.
#pragma once

#include <cstddef>
#include <cstring>
#include <typeinfo>

#include "dataflow/Assert.h"

namespace Vantrel {

class CircularBufferBase {
public:
    CircularBufferBase() = default;
    CircularBufferBase(const CircularBufferBase&) = default;
    CircularBufferBase& operator=(const CircularBufferBase&) = default;
    virtual ~CircularBufferBase() = default;

    // Attach storage (or detach it: null, 0 items, start 0). The history
    // depth is left as it is.
    void SetBuffer(void* pBuffer, size_t iNumberItems, size_t iAdvanceRate, size_t iStartLocation)
    {
        VANTREL_REQUIRE((iStartLocation == 0 && iNumberItems == 0 && pBuffer == 0) ||
                            (iStartLocation < iNumberItems && iAdvanceRate <= iNumberItems),
                        "(iStartLocation == 0 && iNumberItems ==0 && pBuffer == 0) || ( iStartLocation < iNumberItems && iAdvanceRate <= iNumberItems)");
        m_pBuffer = pBuffer;
        m_iSize = iNumberItems;
        m_iRate = iAdvanceRate;
        m_iStartLocation = iStartLocation;
    }

    // Items consumed or produced per firing; raises the history depth to match.
    void SetRate(size_t iRate)
    {
        m_iRate = iRate;
        if (m_iHistoryDepth < m_iRate) m_iHistoryDepth = m_iRate;
    }
    size_t GetRate() const { return m_iRate; }

    void SetHistoryDepth(size_t iHistoryDepth)
    {
        VANTREL_REQUIRE(iHistoryDepth >= m_iRate, "iHistoryDepth >= m_iRate");
        m_iHistoryDepth = iHistoryDepth;
    }
    size_t GetHistoryDepth() const { return m_iHistoryDepth; }

    // Storage position of element iIndex; wraps at most once.
    size_t IndexAt(size_t iIndex) const
    {
        VANTREL_REQUIRE(iIndex < 2 * m_iSize, "iIndex < 2*m_iSize");
        if (iIndex == 0) return m_iStartLocation;
        size_t j = iIndex + m_iStartLocation;
        if (j < m_iSize) return j;
        j -= m_iSize;
        VANTREL_REQUIRE(j < m_iSize, "iIndex < m_iSize");
        return j;
    }

    // Drop the oldest m_iRate items: element 0 moves to element m_iRate.
    void Advance()
    {
        VANTREL_REQUIRE(m_pBuffer, "m_pBuffer");
        m_iStartLocation = IndexAt(m_iRate);
    }

    void* GetBufferMemory() { return m_pBuffer; }
    size_t GetSize() const { return m_iSize; }
    size_t GetItemSize() const { return m_iItemSize; }
    size_t GetStartLocation() const { return m_iStartLocation; }

    // Copy iNumberItems items between two raw arrays of this buffer's type.
    virtual void Copy(void* pSource, void* pDestination, size_t iNumberItems) const = 0;
    // Copy items to another buffer of the same type, honouring both wraps.
    virtual void Copy(size_t iSourceIndex, CircularBufferBase* pDestination,
                      size_t iDestinationIndex, size_t iNumberItems) const = 0;
    // Zero elements iStart .. iStart + iNumberItems - 1; always true.
    virtual bool Zero(size_t iStart, size_t iNumberItems, void* = nullptr) = 0;
    // A new, uninitialised, unattached array of iNumberItems items.
    virtual void* AllocateMemory(size_t iNumberItems) = 0;
    // Free other storage, or (null argument) the buffer's own storage.
    virtual void DeallocateMemory(void* pBuffer) = 0;

protected:
    explicit CircularBufferBase(size_t iItemSize) : m_iItemSize(iItemSize) {}

    size_t m_iRate = 1;
    size_t m_iHistoryDepth = 1;
    bool m_bReserved0 = false;  // part of the declared layout; unused
    size_t m_iItemSize = 0;
    size_t m_iStartLocation = 0;
    void* m_pBuffer = nullptr;
    size_t m_iSize = 0;
    bool m_bReserved1 = true;   // part of the declared layout; unused
};

template <typename T>
class CircularBuffer : public CircularBufferBase {
public:
    CircularBuffer() : CircularBufferBase(sizeof(T)) {}
    ~CircularBuffer() override = default;

    T& operator[](size_t iIndex)
    {
        VANTREL_REQUIRE(m_pBuffer, "m_pBuffer");
        return static_cast<T*>(m_pBuffer)[IndexAt(iIndex)];
    }

    void Copy(void* pSource, void* pDestination, size_t iNumberItems) const override
    {
        VANTREL_REQUIRE(pSource && pDestination && iNumberItems > 0,
                        "pSource && pDestination && iNumberItems > 0");
        std::memcpy(pDestination, pSource, iNumberItems * sizeof(T));
    }

    void Copy(size_t iSourceIndex, CircularBufferBase* pDestination, size_t iDestinationIndex,
              size_t iNumberItems) const override
    {
        auto* dst = dynamic_cast<CircularBuffer<T>*>(pDestination);
        VANTREL_REQUIRE(dst, "dynamic_cast<CircularBuffer<T>*>(pDestination)");
        VANTREL_REQUIRE(iNumberItems <= m_iSize && iNumberItems <= pDestination->GetSize(),
                        "iNumberItems <= m_iSize && iNumberItems <= pDestination->GetSize()");
        const T* src = static_cast<const T*>(m_pBuffer);
        T* out = static_cast<T*>(dst->m_pBuffer);
        size_t s = IndexAt(iSourceIndex);
        size_t d = dst->IndexAt(iDestinationIndex);
        if (iNumberItems == 1) {
            out[d] = src[s];
            return;
        }
        size_t remaining = iNumberItems;
        while (remaining > 0) {
            size_t chunk = remaining;
            if (m_iSize - s < chunk) chunk = m_iSize - s;
            if (dst->m_iSize - d < chunk) chunk = dst->m_iSize - d;
            std::memmove(out + d, src + s, chunk * sizeof(T));
            d += chunk;
            if (d == dst->m_iSize) d = 0;
            remaining -= chunk;
            s += chunk;
            if (s == m_iSize) s = 0;
        }
    }

    bool Zero(size_t iStart, size_t iNumberItems, void* = nullptr) override
    {
        VANTREL_REQUIRE(iStart < m_iSize && iNumberItems <= m_iSize,
                        "iStart < m_iSize && iNumberItems <= m_iSize");
        for (size_t i = 0; i < iNumberItems; ++i) (*this)[iStart + i] = T(0);
        return true;
    }

    void* AllocateMemory(size_t iNumberItems) override
    {
        VANTREL_REQUIRE(iNumberItems > 0, "iNumberItems > 0");
        return new T[iNumberItems];
    }

    void DeallocateMemory(void* pBuffer) override
    {
        VANTREL_REQUIRE(pBuffer != m_pBuffer, "pBuffer != m_pBuffer");
        if (pBuffer) {
            delete[] static_cast<T*>(pBuffer);
            return;
        }
        // Null: release the buffer's own storage and detach it.
        delete[] static_cast<T*>(m_pBuffer);
        m_pBuffer = nullptr;
        m_iStartLocation = 0;
        m_iSize = 0;
    }
};

using IntCircularBuffer = CircularBuffer<int>;
using DoubleCircularBuffer = CircularBuffer<double>;

// A numbered group of buffers of one type, for blocks with a variable number
// of inputs or outputs.
class CircularBufferBus {
public:
    virtual void Initialize(size_t n) = 0;
    virtual ~CircularBufferBus() = default;
    virtual CircularBufferBase* Get(size_t iIndex) = 0;
};

template <typename T>
class CircularBufferBusT : public CircularBufferBus {
public:
    CircularBufferBusT() = default;
    CircularBufferBusT(const CircularBufferBusT&) = delete;
    CircularBufferBusT& operator=(const CircularBufferBusT&) = delete;
    ~CircularBufferBusT() override { Release(); }

    // Re-sizes the bus; the same size keeps the existing buffers and settings.
    void Initialize(size_t n) override
    {
        if (n == m_iSize) return;
        Release();
        m_iSize = n;
        if (n > 0) m_pBuffers = new T[n];
    }

    T& operator[](size_t iIndex)
    {
        VANTREL_REQUIRE(iIndex < m_iSize, "iIndex < m_iSize");
        return m_pBuffers[iIndex];
    }

    CircularBufferBase* Get(size_t iIndex) override
    {
        VANTREL_REQUIRE(iIndex < m_iSize, "iIndex < m_iSize");
        return &m_pBuffers[iIndex];
    }

    size_t GetSize() const { return m_iSize; }

private:
    void Release()
    {
        // delete[] destroys the buffers last to first.
        delete[] m_pBuffers;
        m_pBuffers = nullptr;
        m_iSize = 0;
    }

    size_t m_iSize = 0;
    T* m_pBuffers = nullptr;
};

}  // namespace Vantrel
