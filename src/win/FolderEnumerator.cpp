#include "win/FolderEnumerator.h"

#include <utility>

bool IsDots(const WIN32_FIND_DATAW& entry) {
    const wchar_t* name = entry.cFileName;
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

CFolderEnumerator::CFolderEnumerator(std::wstring pattern) : m_pattern(std::move(pattern)) {}

bool CFolderEnumerator::Next(WIN32_FIND_DATAW& entry) {
    if (!m_started) {
        m_started = true;
        m_search.Reset(::FindFirstFileW(m_pattern.c_str(), &entry));
        return m_search.IsValid() || Ended(::GetLastError());
    }
    if (!m_search)
        return false;
    if (::FindNextFileW(m_search.Get(), &entry))
        return true;
    return Ended(::GetLastError());
}

bool CFolderEnumerator::Ended(DWORD code) {
    m_search.Reset();
    // Nothing (more) to find is the end; a failure that sets no code is
    // still a failure.
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_NO_MORE_FILES)
        m_error = code ? code : ERROR_GEN_FAILURE;
    return false;
}

void ForEachFoundEntry(const std::wstring& pattern,
                       const std::function<void(const WIN32_FIND_DATAW&)>& treat) {
    CFolderEnumerator entries(pattern);
    WIN32_FIND_DATAW entry;
    while (entries.Next(entry))
        treat(entry);
}

bool IsFound(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    return CFolderEnumerator(path).Next(entry);
}

bool HasExtension(const std::wstring& name, const std::wstring& extension) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos)
        return extension.empty();
    const size_t length = name.size() - dot;
    return ::CompareStringOrdinal(name.c_str() + dot, static_cast<int>(length), extension.c_str(),
                                  static_cast<int>(extension.size()), TRUE) == CSTR_EQUAL;
}
