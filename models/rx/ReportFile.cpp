#include "models/rx/ReportFile.h"

#include <charconv>

bool ReportFile::Open()
{
    m_pFile = std::fopen(m_pszName, "a");
    if (!m_pFile) {
        m_bFailedThisFiring = true;
        return false;
    }
    // Our own buffer: stdio then allocates none of its own.
    std::setvbuf(m_pFile, m_acBuffer, _IOFBF, sizeof m_acBuffer);
    return true;
}

void ReportFile::Write(const char* pszText)
{
    if (!Ready()) return;
    std::fputs(pszText, m_pFile);
    m_bPending = true;
}

// Numbers are formatted with to_chars: the same text as %d and %g, but
// independent of the C locale that the host process may have set.
void ReportFile::WriteInt(int iValue)
{
    if (!Ready()) return;
    char text[16];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, iValue);
    std::fwrite(text, 1, static_cast<size_t>(r.ptr - text), m_pFile);
    m_bPending = true;
}

void ReportFile::WriteDouble(double dValue)
{
    if (!Ready()) return;
    char text[32];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, dValue, std::chars_format::general, 6);
    std::fwrite(text, 1, static_cast<size_t>(r.ptr - text), m_pFile);
    m_bPending = true;
}

void ReportFile::FlushPending()
{
    m_bPending = false;
    if (!m_pFile) return;
    // A failed write (full disk) loses text but never stops the block.
    if (std::fflush(m_pFile) != 0) std::clearerr(m_pFile);
}

void ReportFile::Close()
{
    if (m_pFile) {
        std::fflush(m_pFile);
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_bTouched = false;
    m_bFailedThisFiring = false;
    m_bPending = false;
}
