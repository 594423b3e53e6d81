#include "collect/MachineTable.h"

#include "collect/NarrowTextStream.h"
#include "win/ErrorReport.h"
#include "win/Utf8.h"

namespace {
// A tab or a line break inside a value (a service's display name may hold
// one) would move every later column or start a false row.
std::string Cell(const std::wstring& value) {
    std::wstring cell = value;
    for (wchar_t& c : cell)
        if (c == L'\t' || c == L'\r' || c == L'\n')
            c = L' ';
    return Utf8(cell);
}

// The stream stores each LF as CR LF.
void WriteLine(const std::vector<std::wstring>& cells, NarrowTextStream& out) {
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += '\t';
        line += Cell(cells[i]);
    }
    out << line + "\n";
}
} // namespace

DWORD WriteMachineTable(const std::wstring& path, const MachineTable& table) {
    // UTF-8 whatever the code page: names of processes and services come
    // from anywhere.
    NarrowTextStream out(path, TextEncoding::Utf8);
    WriteLine(table.header, out);
    if (table.unreadCode != 0)
        WriteLine({ComposeSystemErrorText(table.unreadWhat, table.unreadCode)}, out);
    for (const std::vector<std::wstring>& row : table.rows)
        WriteLine(row, out);
    out.Close();
    return out.Error();
}

bool LiesUnder(const std::wstring& path, const std::wstring& root) {
    const size_t start = !path.empty() && path[0] == L'"' ? 1 : 0;
    if (root.empty() || path.size() - start <= root.size())
        return false;
    return ::CompareStringOrdinal(path.c_str() + start, static_cast<int>(root.size()), root.c_str(),
                                  static_cast<int>(root.size()), TRUE) == CSTR_EQUAL;
}

bool NameBefore(const std::wstring& left, const std::wstring& right) {
    return ::CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                  static_cast<int>(right.size()), TRUE) == CSTR_LESS_THAN;
}

const wchar_t* YesNo(bool value) {
    return value ? L"yes" : L"no";
}

std::wstring Decimal(unsigned long long value, unsigned long long divisor, int places) {
    unsigned long long scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    const unsigned long long scaled = divisor == 0 ? 0 : (value * scale + divisor / 2) / divisor;
    std::wstring text = std::to_wstring(scaled / scale);
    if (places > 0) {
        std::wstring fraction = std::to_wstring(scaled % scale);
        text += L"." + std::wstring(static_cast<size_t>(places) - fraction.size(), L'0') + fraction;
    }
    return text;
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
