// ConnectionStorage: the list of storage arrays of a network's internal
// connections.
//
// A network allocates one array per connection in Initialize (one item, or two
// for a connection that carries a one-sample delay), attaches it to the
// producer's output and to every consumer's input, and frees all of them in
// DeleteBuffers (called from Initialize, Finalize and the destructor).
#pragma once

#include <cstddef>
#include <vector>

namespace Vantrel {

class ConnectionStorage {
public:
    ConnectionStorage() = default;
    ConnectionStorage(const ConnectionStorage&) = delete;
    ConnectionStorage& operator=(const ConnectionStorage&) = delete;
    ~ConnectionStorage() { DeleteBuffers(); }

    // Reserve room for n connections so that Initialize allocates the list once.
    void Reserve(size_t n) { m_doubles.reserve(n); m_ints.reserve(n); }

    // A new zeroed array of n items, recorded for DeleteBuffers.
    double* NewDouble(size_t n = 1)
    {
        m_doubles.push_back(new double[n]());
        return m_doubles.back();
    }
    int* NewInt(size_t n = 1)
    {
        m_ints.push_back(new int[n]());
        return m_ints.back();
    }

    size_t Count() const { return m_doubles.size() + m_ints.size(); }

    void DeleteBuffers()
    {
        for (double*& p : m_doubles) { delete[] p; p = nullptr; }
        for (int*& p : m_ints) { delete[] p; p = nullptr; }
        m_doubles.clear();
        m_ints.clear();
    }

private:
    std::vector<double*> m_doubles;
    std::vector<int*> m_ints;
};

}  // namespace Vantrel
