#include "win/ShellFolder.h"

#include <objbase.h>
#include <shlobj.h>

#include <memory>

namespace {
// COM for the calling thread while it lives, in the apartment a window's
// thread needs; a thread that already has COM keeps it as it was.
class ComForThread {
  public:
    ComForThread()
        : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComForThread() {
        // S_FALSE too is a reference of ours to give back.
        if (SUCCEEDED(m_result))
            ::CoUninitialize();
    }
    ComForThread(const ComForThread&) = delete;
    ComForThread& operator=(const ComForThread&) = delete;

    // Another apartment already chosen for the thread is COM all the same.
    HRESULT Result() const { return m_result == RPC_E_CHANGED_MODE ? S_OK : m_result; }

  private:
    HRESULT m_result;
};

struct ItemListFree {
    void operator()(ITEMIDLIST* list) const { ::CoTaskMemFree(list); }
};
using ItemList = std::unique_ptr<ITEMIDLIST, ItemListFree>;
} // namespace

HRESULT ShowInFolder(const std::wstring& path) {
    const ComForThread com;
    if (FAILED(com.Result()))
        return com.Result();
    ItemList item(::ILCreateFromPathW(path.c_str()));
    if (!item) {
        PIDLIST_ABSOLUTE parsed = nullptr;
        const HRESULT result = ::SHParseDisplayName(path.c_str(), nullptr, &parsed, 0, nullptr);
        if (FAILED(result))
            return result;
        item.reset(parsed);
    }
    // No children named: the item itself is selected in its parent folder.
    return ::SHOpenFolderAndSelectItems(item.get(), 0, nullptr, 0);
}
