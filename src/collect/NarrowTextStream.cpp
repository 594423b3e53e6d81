#include "collect/NarrowTextStream.h"

#include "win/Utf8.h"
#include "win/WriteAll.h"

namespace {
constexpr size_t kFlushThreshold = 64 * 1024;
}

std::string ToNarrowText(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size =
        ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string narrow(static_cast<size_t>(size), '\0');
    const int written = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, narrow.data(),
                                              size, nullptr, nullptr);
    if (written <= 1)
        return std::string();
    // The conversion runs up to the first zero and counts it; a zero inside
    // the text ends it, as it would for the C string the platform sees.
    narrow.resize(static_cast<size_t>(written) - 1);
    return narrow;
}

bool FitsAnsiCodePage(const std::wstring& text) {
    const std::wstring read(text.c_str());
    const std::string narrow = ToNarrowText(read);
    if (narrow.empty())
        return read.empty();
    const int length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(),
                                             static_cast<int>(narrow.size()), nullptr, 0);
    std::wstring back(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                              back.data(), length);
    // What does not come back was replaced by the default character or a
    // look-alike of the code page's own.
    return back == read;
}

NarrowTextStream::NarrowTextStream(const std::wstring& path, TextEncoding encoding)
    : m_encoding(encoding) {
    m_file.Reset(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) {
        m_error = ::GetLastError();
        if (m_error == 0)
            m_error = ERROR_OPEN_FAILED;
        return;
    }
    if (m_encoding == TextEncoding::Utf8)
        *this << "\xEF\xBB\xBF";
}

NarrowTextStream& NarrowTextStream::operator<<(const std::wstring& text) {
    if (m_encoding == TextEncoding::Utf8)
        return *this << Utf8(std::wstring(text.c_str()));
    return *this << ToNarrowText(text);
}

// The owner alone would close the file too, but without the pending text.
NarrowTextStream::~NarrowTextStream() {
    Close();
}

NarrowTextStream& NarrowTextStream::operator<<(const std::string& bytes) {
    if (!IsOpen() || m_error != 0)
        return *this;
    for (char c : bytes) {
        if (c == '\n')
            m_pending += '\r';
        m_pending += c;
    }
    if (m_pending.size() >= kFlushThreshold)
        Flush();
    return *this;
}

NarrowTextStream& NarrowTextStream::operator<<(unsigned long long number) {
    return *this << std::to_string(number);
}

void NarrowTextStream::EndLine() {
    *this << "\n";
    Flush();
}

void NarrowTextStream::Flush() {
    if (!IsOpen() || m_pending.empty() || m_error != 0) {
        m_pending.clear();
        return;
    }
    m_error = WriteAll(m_file.Get(), m_pending.data(), m_pending.size());
    m_pending.clear();
}

void NarrowTextStream::Close() {
    if (!IsOpen())
        return;
    Flush();
    // Closed here rather than by the owner: a failed close can still lose
    // what was written, and that must show in Error().
    if (!::CloseHandle(m_file.Release()) && m_error == 0)
        m_error = ::GetLastError();
}

void ReportUnwrittenFile(const std::wstring& path, DWORD code, ICollectionUi& ui) {
    if (code != 0)
        ui.Report(RunEvent::FileNotWritten(path, code));
}
