// ReportFile: a plain-text report appended to a file in the current directory.
//
// The receiver's adaptation and eye-monitor blocks append their reports
// ("Adapt.txt", "EOM.txt") through one of these per block instance. The file
// is opened for appending (created if absent, never truncated) on the first
// Touch() and then kept open, so that a firing costs no system call unless it
// writes. Text goes through a buffer owned by the object; Flush() at the end of
// a firing pushes what that firing wrote to the file, so the file holds every
// line in order at the end of each firing, also when several instances append
// to the same file. The buffer holds kBufferBytes: text of up to that size
// written in one firing reaches the file in a single write at Flush(), so a
// record never lands in pieces among another instance's lines. Writers state
// the size of their largest record against it (EOM.cpp).
//
// A file that cannot be opened never stops its block: the writes are dropped,
// and the open is tried again (at most once per firing) the next time
// something is to be written. No operation allocates after the first
// successful open.
#pragma once

#include <cstddef>
#include <cstdio>

class ReportFile {
public:
    static constexpr size_t kBufferBytes = 1 << 16;

    explicit ReportFile(const char* pszName) : m_pszName(pszName) {}
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    ~ReportFile() { Close(); }

    // Opens the file unless it is open or an open has already been tried
    // since construction or the last Close(). Called on every firing, so the
    // file exists after the first one.
    void Touch()
    {
        if (!m_pFile && !m_bTouched) {
            m_bTouched = true;
            Open();
        }
    }

    void Write(const char* pszText);
    // Decimal, as many digits as needed.
    void WriteInt(int iValue);
    // The stream's default formatting of doubles (%g, six significant
    // digits), always with a '.' whatever the process's locale.
    void WriteDouble(double dValue);

    // Ends a firing: pushes the text written since the last Flush() to the
    // file and allows one more open attempt if the file is not open.
    void Flush()
    {
        if (m_bPending) FlushPending();
        m_bFailedThisFiring = false;
    }

    // Flushes and closes; the next Touch() opens the file again.
    void Close();

    bool IsOpen() const { return m_pFile != nullptr; }
    const char* Name() const { return m_pszName; }

private:
    bool Open();
    // True if the file is open, trying once more (once per firing) if not.
    bool Ready() { return m_pFile || (!m_bFailedThisFiring && Open()); }
    void FlushPending();

    const char* m_pszName;
    std::FILE* m_pFile = nullptr;
    bool m_bTouched = false;
    bool m_bFailedThisFiring = false;
    bool m_bPending = false;
    char m_acBuffer[kBufferBytes];
};
