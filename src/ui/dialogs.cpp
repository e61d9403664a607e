#include "ui/dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "ui/input_box.h"

namespace velmora::ui {

namespace {

class Win32Dialogs : public Dialogs {
 public:
  MsgResult Message(HWND owner, const std::string& text, const std::string& caption, MsgButtons buttons,
                    MsgIcon icon) override {
    UINT flags = MB_TASKMODAL;
    switch (buttons) {
      case MsgButtons::Ok: flags |= MB_OK; break;
      case MsgButtons::OkCancel: flags |= MB_OKCANCEL; break;
      case MsgButtons::YesNo: flags |= MB_YESNO; break;
      case MsgButtons::YesNoCancel: flags |= MB_YESNOCANCEL; break;
      case MsgButtons::RetryCancel: flags |= MB_RETRYCANCEL; break;
      case MsgButtons::AbortRetryIgnore: flags |= MB_ABORTRETRYIGNORE; break;
    }
    switch (icon) {
      case MsgIcon::None: break;
      case MsgIcon::Information: flags |= MB_ICONINFORMATION; break;
      case MsgIcon::Warning: flags |= MB_ICONWARNING; break;
      case MsgIcon::Error: flags |= MB_ICONERROR; break;
      case MsgIcon::Question: flags |= MB_ICONQUESTION; break;
    }
    switch (MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), flags)) {
      case IDOK: return MsgResult::Ok;
      case IDYES: return MsgResult::Yes;
      case IDNO: return MsgResult::No;
      case IDRETRY: return MsgResult::Retry;
      case IDABORT: return MsgResult::Abort;
      case IDIGNORE: return MsgResult::Ignore;
      default: return MsgResult::Cancel;
    }
  }

  std::optional<std::string> InputQuery(HWND owner, const std::string& title, const std::string& prompt,
                                        const std::string& initial) override {
    return RunInputBox(owner, title, prompt, initial);
  }

  std::optional<std::string> ChooseFolder(HWND owner, const std::string& prompt, const std::string& initial,
                                          bool allowCreate) override {
    const std::wstring title = Widen(prompt);
    const std::wstring start = Widen(initial);
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (allowCreate ? 0 : BIF_NONEWFOLDERBUTTON);
    bi.lpfn = [](HWND hwnd, UINT msg, LPARAM, LPARAM data) -> int {
      if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
      return 0;
    };
    bi.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
    if (!pidl) return std::nullopt;
    std::vector<wchar_t> buf(32768);
    const bool ok = SHGetPathFromIDListEx(pidl, buf.data(), DWORD(buf.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(pidl);
    if (!ok) return std::nullopt;
    return Narrow(buf.data());
  }

  std::optional<std::string> OpenFile(HWND owner, const FileDialogOptions& options) override {
    return FileDialog(owner, options, false);
  }
  std::optional<std::string> SaveFile(HWND owner, const FileDialogOptions& options) override {
    return FileDialog(owner, options, true);
  }

 private:
  static std::optional<std::string> FileDialog(HWND owner, const FileDialogOptions& o, bool save) {
    std::wstring filter = Widen(o.filter);
    for (auto& c : filter)
      if (c == L'|') c = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    const std::wstring title = Widen(o.title), dir = Widen(o.initialDir), ext = Widen(o.defaultExt);
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = Widen(o.fileName).substr(0, file.size() - 1);
    std::copy(name.begin(), name.end(), file.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = o.filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (o.mustExist && !save) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (save) ofn.Flags |= OFN_OVERWRITEPROMPT;
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return std::nullopt;
    return Narrow(file.data());
  }
};

Dialogs* g_replacement = nullptr;

}  // namespace

Dialogs& dialogs() {
  static Win32Dialogs real;
  return g_replacement ? *g_replacement : real;
}

Dialogs* SetDialogs(Dialogs* replacement) {
  Dialogs* previous = g_replacement;
  g_replacement = replacement;
  return previous;
}

namespace {
HandlerErrorSink& Sink() {
  static HandlerErrorSink sink;
  return sink;
}
}  // namespace

HandlerErrorSink SetHandlerErrorSink(HandlerErrorSink sink) {
  HandlerErrorSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

void ReportHandlerError(HWND owner, const std::string& text) {
  if (Sink()) {
    Sink()(text);
    return;
  }
  dialogs().Message(owner, text, "Velmora", MsgButtons::Ok, MsgIcon::Error);
}

MsgResult DefaultAnswerDialogs::Message(HWND, const std::string&, const std::string&, MsgButtons buttons, MsgIcon) {
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
  }
  return MsgResult::Ok;
}

}  // namespace velmora::ui
