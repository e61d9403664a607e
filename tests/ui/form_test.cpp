// Forms driven hidden: handlers, closing, deferred destruction, exceptions, modal loops.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/fakes.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/form.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

struct Events {
  int create = 0, show = 0, closeQuery = 0, close = 0, destroy = 0;
  bool refuseClose = false;
};

class EventForm : public Form {
 public:
  explicit EventForm(Events& e, FormArgs args = {}) : e_(e) {
    if (args.className == "TVelmoraForm") args.className = "TfrmEvents";
    args.caption = "Events";
    Create(args);
  }
  ~EventForm() override { ++destructed; }
  static inline int destructed = 0;

  Button cmdGo{*this, {10, 10, 75, 25}, "&Go"};
  Button cmdClose{*this, {90, 10, 75, 25}, "Close"};
  std::function<void()> onAppMessage;

 protected:
  void FormCreate() override { ++e_.create; }
  void FormShow() override { ++e_.show; }
  void FormCloseQuery(bool& canClose) override {
    ++e_.closeQuery;
    if (e_.refuseClose) canClose = false;
  }
  void FormClose() override { ++e_.close; }
  void FormDestroy() override { ++e_.destroy; }
  bool HandleMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
    if (msg != WM_APP + 7) return false;
    if (onAppMessage) onAppMessage();
    result = 42;
    return true;
  }

 private:
  Events& e_;
};

}  // namespace

TEST(Form, RegistersItsClassNameAndRunsCreateOnAHiddenWindow) {
  Events e;
  EventForm form(e);
  ASSERT_NE(nullptr, form.handle());
  EXPECT_EQ(form.handle(), FindWindowW(L"TfrmEvents", L"Events"));
  EXPECT_EQ(1, e.create);
  EXPECT_FALSE(form.visible());
  EXPECT_EQ(0, e.show);
  EXPECT_EQ(&form, Form::FromHandle(form.handle()));
  EXPECT_NE(nullptr, form.cmdGo.handle());
  EXPECT_EQ(form.handle(), GetParent(form.cmdGo.handle()));
  EXPECT_EQ("&Go", form.cmdGo.caption());
  // Controls get the form's message font.
  EXPECT_EQ(reinterpret_cast<WPARAM>(form.font()),
            WPARAM(SendMessageW(form.cmdGo.handle(), WM_GETFONT, 0, 0)));
  form.SetCaption("Renamed");
  EXPECT_EQ("Renamed", form.caption());
  // Tab order is creation order.
  EXPECT_EQ(form.cmdClose.handle(), GetNextDlgTabItem(form.handle(), form.cmdGo.handle(), FALSE));
}

TEST(Form, ButtonClickRunsHandlerOnlyWhenEnabled) {
  Events e;
  EventForm form(e);
  int clicks = 0;
  form.cmdGo.onClick = [&] { ++clicks; };
  form.cmdGo.Click();
  EXPECT_EQ(1, clicks);
  // The same through the window: BN_CLICKED reflected from the form to the button.
  SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.cmdGo.handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(form.cmdGo.handle()));
  EXPECT_EQ(2, clicks);
  form.cmdGo.SetEnabled(false);
  form.cmdGo.Click();
  EXPECT_EQ(2, clicks);
  EXPECT_FALSE(form.cmdGo.enabled());
}

TEST(Form, CloseQueryCanRefuseAndCloseRunsInOrder) {
  Events e;
  EventForm form(e);
  e.refuseClose = true;
  EXPECT_FALSE(form.Close());
  SendMessageW(form.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(2, e.closeQuery);
  EXPECT_EQ(0, e.close);
  EXPECT_NE(nullptr, form.handle());
  EXPECT_TRUE(IsWindow(form.handle()));

  e.refuseClose = false;
  HWND h = form.handle();
  EXPECT_TRUE(form.Close());
  EXPECT_EQ(1, e.close);
  EXPECT_EQ(1, e.destroy);
  EXPECT_EQ(nullptr, form.handle());
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(nullptr, form.cmdGo.handle());
  EXPECT_FALSE(form.Close());  // nothing left to close
}

TEST(Form, ClosedInsideItsOwnHandlerIsDestroyedOnlyAfterTheHandlerReturns) {
  Events e;
  EventForm form(e);
  HWND h = form.handle();
  bool aliveInHandler = false, buttonAliveInHandler = false;
  form.cmdClose.onClick = [&] {
    EXPECT_TRUE(form.Close());
    aliveInHandler = IsWindow(h) != FALSE && form.handle() == h;
    buttonAliveInHandler = IsWindow(form.cmdClose.handle()) != FALSE;
  };
  SendMessageW(h, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.cmdClose.handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(form.cmdClose.handle()));
  EXPECT_TRUE(aliveInHandler);
  EXPECT_TRUE(buttonAliveInHandler);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(1, e.destroy);
}

TEST(Form, FreeOnCloseFormDeletesItselfAfterTheOutermostHandler) {
  Events e;
  FormArgs args;
  args.freeOnClose = true;
  EventForm::destructed = 0;
  auto* form = new EventForm(e, args);
  HWND h = form->handle();
  int innerCalls = 0;
  // A nested handler (a message sent from inside a click) closes the form; it
  // lives until the click handler has finished.
  form->onAppMessage = [&] {
    ++innerCalls;
    form->Close();
  };
  bool aliveAfterInner = false;
  form->cmdGo.onClick = [&] {
    EXPECT_EQ(42, SendMessageW(h, WM_APP + 7, 0, 0));
    aliveAfterInner = EventForm::destructed == 0;
  };
  form->cmdGo.Click();
  EXPECT_EQ(1, innerCalls);
  EXPECT_TRUE(aliveAfterInner);
  EXPECT_EQ(1, EventForm::destructed);
  EXPECT_FALSE(IsWindow(h));
}

TEST(Form, ExceptionFromAHandlerIsReportedAndStaysOutOfWindows) {
  Events e;
  EventForm form(e);
  test::world().dialogs.Answer(MsgResult::Ok);
  test::world().dialogs.Answer(MsgResult::Ok);
  form.cmdGo.onClick = [] { throw std::runtime_error("The list file could not be read."); };
  SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.cmdGo.handle()), BN_CLICKED),
               reinterpret_cast<LPARAM>(form.cmdGo.handle()));
  form.onAppMessage = [] { throw 17; };
  // A throwing message handler falls through to default handling (0 here).
  EXPECT_EQ(0, SendMessageW(form.handle(), WM_APP + 7, 0, 0));
  const auto& asked = test::world().dialogs.asked();
  ASSERT_EQ(2u, asked.size());
  EXPECT_EQ("message", asked[0].kind);
  EXPECT_EQ("The list file could not be read.", asked[0].text);
  EXPECT_EQ(MsgIcon::Error, asked[0].icon);
  EXPECT_FALSE(asked[1].text.empty());
  // The form carries on.
  int clicks = 0;
  form.cmdGo.onClick = [&] { ++clicks; };
  form.cmdGo.Click();
  EXPECT_EQ(1, clicks);
}

namespace {
class ThrowingCreateForm : public Form {
 public:
  ThrowingCreateForm() {
    FormArgs a;
    a.className = "TfrmThrowing";
    Create(a);
  }
  Label lbl{*this, {10, 10, 100, 20}, "still here"};

 protected:
  void FormCreate() override { throw std::runtime_error("settings unreadable"); }
};
}  // namespace

TEST(Form, ExceptionInFormCreateLeavesAWorkingWindow) {
  test::world().dialogs.Answer(MsgResult::Ok);
  ThrowingCreateForm form;
  ASSERT_NE(nullptr, form.handle());
  EXPECT_EQ("still here", form.lbl.caption());
  ASSERT_EQ(1u, test::world().dialogs.asked().size());
  EXPECT_EQ("settings unreadable", test::world().dialogs.asked()[0].text);
}

TEST(Form, ShowModalEndsOnModalResultAndReenablesTheOwner) {
  Events ownerEvents, e;
  EventForm owner(ownerEvents);
  FormArgs args;
  args.owner = owner.handle();
  args.className = "TfrmModal";
  EventForm dialog(e, args);
  dialog.cmdGo.modalResult = mrOk;
  bool ownerDisabledDuringModal = false;
  PostTask([&] {
    ownerDisabledDuringModal = !IsWindowEnabled(owner.handle());
    dialog.cmdGo.Click();
  });
  EXPECT_EQ(mrOk, dialog.ShowModal());
  EXPECT_TRUE(ownerDisabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(owner.handle()));
  EXPECT_EQ(1, e.show);
  EXPECT_EQ(1, e.closeQuery);
  EXPECT_EQ(1, e.close);
  // A modal form is hidden, not destroyed, so the caller can read it.
  EXPECT_NE(nullptr, dialog.handle());
  EXPECT_FALSE(dialog.visible());

  // Closing ends the loop with mrCancel; a refused close keeps it running.
  e.refuseClose = true;
  PostTask([&] {
    dialog.Close();
    e.refuseClose = false;
    PostTask([&] { dialog.Close(); });
  });
  EXPECT_EQ(mrCancel, dialog.ShowModal());
  EXPECT_EQ(3, e.closeQuery);
}

TEST(Form, KeyPreviewSeesKeysFirstAndF1OpensTheHelpTopic) {
  std::vector<std::string> topics;
  SetHelpHook([&](const std::string& t) { topics.push_back(t); });
  struct PreviewForm : Form {
    PreviewForm() {
      FormArgs a;
      a.className = "TfrmPreview";
      a.keyPreview = true;
      a.helpTopic = "Welcome_to_dastra_Velmora";
      Create(a);
    }
    Edit edt{*this, {10, 10, 100, 23}};
    std::vector<WORD> keys;
    void FormKeyDown(WORD& key) override {
      keys.push_back(key);
      if (key == VK_DELETE) key = 0;
    }
  } form;
  MSG msg{form.edt.handle(), WM_KEYDOWN, VK_DELETE, 0, 0, {}};
  DispatchOneMessage(msg);
  msg.wParam = VK_F1;
  DispatchOneMessage(msg);
  EXPECT_EQ((std::vector<WORD>{VK_DELETE, VK_F1}), form.keys);
  EXPECT_EQ((std::vector<std::string>{"Welcome_to_dastra_Velmora"}), topics);
  SetHelpHook(nullptr);
}

namespace {
class ShapedForm : public Form {
 public:
  ShapedForm() {
    FormArgs a;
    a.className = "TfrmShaped";
    a.style = FormStyle::Borderless;
    a.pixelLayout = true;
    a.dragByBackground = true;
    a.clientWidth = 40;
    a.clientHeight = 30;
    Create(a);
  }
};
}  // namespace

TEST(Form, ShapeFromBitmapKeepsOnlyPixelsNotOfTheTransparentColour) {
  ShapedForm form;
  // 40x30 silver picture with a 10x10 black square at (5,5) and a pixel at (30,20).
  HDC screen = GetDC(nullptr);
  BitmapHandle bmp(CreateCompatibleBitmap(screen, 40, 30));
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp.get());
  RECT all{0, 0, 40, 30}, square{5, 5, 15, 15};
  HBRUSH silver = CreateSolidBrush(RGB(192, 192, 192));
  FillRect(mem, &all, silver);
  FillRect(mem, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetPixel(mem, 30, 20, RGB(255, 0, 0));
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(silver);
  ReleaseDC(nullptr, screen);

  ASSERT_TRUE(form.SetShapeFromBitmap(bmp.get(), RGB(192, 192, 192)));
  RegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(ERROR, GetWindowRgn(form.handle(), rgn.get()));
  EXPECT_TRUE(PtInRegion(rgn.get(), 5, 5));
  EXPECT_TRUE(PtInRegion(rgn.get(), 14, 14));
  EXPECT_TRUE(PtInRegion(rgn.get(), 30, 20));
  EXPECT_FALSE(PtInRegion(rgn.get(), 15, 15));
  EXPECT_FALSE(PtInRegion(rgn.get(), 0, 0));
  EXPECT_FALSE(PtInRegion(rgn.get(), 31, 20));
  RECT box;
  GetRgnBox(rgn.get(), &box);
  EXPECT_EQ(5, box.left);
  EXPECT_EQ(31, box.right);

  // The background drags the window like a caption.
  RECT wr;
  GetWindowRect(form.handle(), &wr);
  EXPECT_EQ(HTCAPTION, SendMessageW(form.handle(), WM_NCHITTEST, 0, MAKELPARAM(wr.left + 6, wr.top + 6)));
}
