#pragma once
// Forms, the application object and the screen: top-level windows with focus
// bookkeeping (ActiveControl, OnEnter/OnExit), key preview, dialog keys and tab
// order, modal showing with ModalResult; the message loop, idle handling and the
// error box; message boxes through a hook that tests can answer.

#include <exception>
#include <functional>
#include <optional>
#include <map>
#include <vector>

#include "platform/ui/Controls.h"
#include "platform/ui/MessageQueue.h"

// ---- Message boxes ---------------------------------------------------------------------
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
// Yes, No and All, as the class library's message dialog offers them.
constexpr UINT MB_YESNOALL = 0x7;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_TOPMOST = 0x40000;

constexpr Integer IDOK = 1;
constexpr Integer IDCANCEL = 2;
constexpr Integer IDABORT = 3;
constexpr Integer IDRETRY = 4;
constexpr Integer IDIGNORE = 5;
constexpr Integer IDYES = 6;
constexpr Integer IDNO = 7;
constexpr Integer IDALL = 8;

struct TMessageBoxRequest {
  HWND Owner = nullptr;
  String Text;
  String Caption;
  UINT Flags = 0;
};
// Answers a box with one of its buttons' ids.
using TMessageBoxHook = std::function<Integer(const TMessageBoxRequest& Request)>;
// Installs the hook every message box goes through; returns the previous one. The
// display backend of the program installs a real dialog; without a hook a box is
// answered with its default button.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook);
// The buttons of a box, in order, and its default (MB_DEFBUTTONn).
std::vector<Integer> MessageBoxButtons(UINT Flags);
Integer MessageBoxDefaultButton(UINT Flags);
// Shows a box modally: the capture holder is cancelled first, as for any modal loop.
Integer MessageBox(HWND Owner, const String& Text, const String& Caption, UINT Flags);

// ---- Forms ---------------------------------------------------------------------------------
using TModalResult = Integer;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = IDALL;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TEnumSet<TFormStateItem>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TCustomControl {
public:
  BORROW_COMPONENT(TCustomForm, TCustomControl)
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  Integer GetPixelsPerInch() const { return 96; }
  TFormState GetFormState() const { return FFormState; }
  bool GetActive() const { return FActive; }

  // The control that has (or will get, when the form is next active) the focus.
  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  void FocusControl(TWinControl* Control);
  // Moves the focus bookkeeping to Control (CM_EXIT up from the old one, CM_ENTER
  // down to the new one); false when a handler moved the focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* Control);
  void DefocusControl(TWinControl* Control, bool Removing);

  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  // Shows the form and runs messages until ModalResult is set; gives it back.
  virtual TModalResult ShowModal();
  void Close();
  // Asks OnCloseQuery (and the owned forms); false means "stay open".
  virtual bool CloseQuery();
  // Frees the form once the messages that are being handled are done.
  void Release();

  void SetFocus() override;
  bool CanFocus() override { return GetVisible() && GetEnabled(); }
  // Tells the active control to leave any mode (CM_CANCELMODE, LParam: Sender).
  void SendCancelMode(TControl* Sender);
  // In a stream of the form, its components that are not controls come first, then
  // its child controls (each with its own children).
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // Brings the actions of the form and of each shown control it owns up to date
  // (InitiateAction); the application does it at idle time (ActnList.cpp).
  void UpdateActions();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Dispatch(TMessage& Message) override;
  // Before the window exists, the client area its frame will leave, so that a
  // client size set in a constructor is the client size the window gets.
  TRect GetClientRect() const override;

protected:
  // A form built in code calls this at the end of its constructor, once its
  // controls and handlers are in place.
  void DoCreate();
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void Activate();
  virtual void Deactivate();
  void CloseModal();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool GetShowing() const override { return GetVisible(); }

  TFormBorderStyle FBorderStyle = bsSizeable;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  bool FKeyPreview = false;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TModalResult FModalResult = mrNone;
  TFormState FFormState;
  bool FActive = false;
  bool FPlaced = false;

private:
  void PlaceOnFirstShow();
  void SetWindowFocus();
  friend class TApplication;
  friend class TScreen;
};

class TForm : public TCustomForm {
public:
  BORROW_COMPONENT(TForm, TCustomForm)
  explicit TForm(TComponent* AOwner);
};

// Input the display has delivered up to now, taken through the message loop
// at once: called while the caller still keeps its windows disabled, a click or
// key the user made while the program did not let messages run reaches a
// disabled window and is dropped, instead of acting once they take input again.
// Nothing escapes it.
void TakeDeliveredInput() noexcept;

// What becomes of input delivered while TOtherWindowsDisabled holds: a modal
// form's windows take what was typed ahead once it closes; a long piece of work
// that only lets messages run now and then drops it (TakeDeliveredInput).
enum class TInputMeanwhile { Kept, Dropped };

// Every visible, enabled top-level window but Keep disabled for the guard's
// life, as a modal form keeps them: a press on one is dropped and brings an
// enabled window of its own forward, its close box is ignored. Restore enables
// those windows alone (one disabled before stays so), first taking the input
// delivered meanwhile when it is to be dropped, and gives the activation and
// the focus back to the windows that had them; the destructor restores when
// that was not done, also when an exception leaves.
class TOtherWindowsDisabled {
public:
  explicit TOtherWindowsDisabled(HWND Keep, TInputMeanwhile Meanwhile = TInputMeanwhile::Kept);
  ~TOtherWindowsDisabled() { Restore(); }
  TOtherWindowsDisabled(const TOtherWindowsDisabled&) = delete;
  TOtherWindowsDisabled& operator=(const TOtherWindowsDisabled&) = delete;
  void Restore();

private:
  std::vector<HWND> FDisabled;
  HWND FActiveBefore;
  HWND FFocusBefore;
  TInputMeanwhile FMeanwhile;
  bool FRestored = false;
};

// ---- Application ----------------------------------------------------------------------------
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TMessageEvent = std::function<void(TMsg& Msg, bool& Handled)>;

class TApplication : public TComponent {
public:
  BORROW_COMPONENT(TApplication, TComponent)
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  String GetTitle() const { return FTitle; }
  void SetTitle(const String& Value) { FTitle = Value; }
  TCustomForm* GetMainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* Form) { FMainForm = Form; }
  bool GetTerminated() const { return FTerminated; }
  bool GetShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }
  Integer GetHintPause() const { return FHintPause; }
  void SetHintPause(Integer Value) { FHintPause = Value; }
  Integer GetHintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(Integer Value) { FHintHidePause = Value; }
  Integer GetHintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(Integer Value) { FHintShortPause = Value; }
  Integer GetExitCode() const { return FExitCode; }

  // Creates a form owned by the application; the first one becomes the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    if (!FMainForm) FMainForm = Reference;
  }
  // Shows the main form and runs the message loop until Terminate or WM_QUIT.
  void Run();
  void Terminate();
  // Dispatches every waiting message, then returns.
  void ProcessMessages();
  // Dispatches one message, or idles (and waits) when there is none.
  void HandleMessage();
  // Call from a catch block: shows the error box for what was caught (EAbort is
  // silent); OnException replaces the box.
  void HandleException(TObject* Sender);
  void ShowException(const std::exception& E);
  Integer MessageBox(const String& Text, const String& Caption, UINT Flags);

  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // Hints: a control with ShowHint gets its hint after HintPause of the mouse
  // resting on it (CM_HINTSHOWPAUSE may change the pause; CM_HINTSHOW gives the text,
  // which may depend on the part of the control under the mouse, or refuses), hidden
  // again when the mouse leaves the hint's cursor rectangle, after HintHidePause, or
  // on a press. Leaving the cursor rectangle of a part that had no hint asks again.
  // Only the pointer's own moves call a hint up, never a window moved under it,
  // and only for the control under it when the pause is over.
  void HintMouseMessage(TControl* Control, const TMessage& Message);
  void ActivateHint(TPoint CursorPos);
  void CancelHint();
  // A window hidden takes the hint of any control on it along.
  void CancelHintWithin(TControl* Window);
  // The display says where the pointer is as it sees a window move: a report
  // of the pointer there afterwards, in the window moved under it, is no move
  // of the user's.
  void PointerRestsAt(TPoint ScreenPoint) { FHintMousePos = ScreenPoint; }
  void HideHint();
  bool GetHintShowing() const { return FHintShowing; }
  // The hint window shown now (null when none).
  TComponent* GetHintWindow() const { return FHintWindow; }

  // The control the mouse was last over (CM_MOUSEENTER / CM_MOUSELEAVE).
  TControl* GetMouseControl() const { return FMouseControl; }
  // A control going away is forgotten.
  void ControlDestroying(TControl* Control);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  bool ProcessMessage(TMsg& Msg);
  bool IsKeyMsg(TMsg& Msg);
  void Idle(const TMsg& Msg);
  void DoMouseIdle();
  // The control under the screen point P, a graphic one on its window included.
  static TControl* ControlAtScreen(TPoint P);
  UINT HintPauseOf(TControl* Control, bool WasShowing);

  String FTitle;
  TCustomForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FShowMainForm = true;
  bool FHandlingException = false;
  Integer FExitCode = 0;
  Integer FHintPause = 500;
  Integer FHintHidePause = 2500;
  Integer FHintShortPause = 50;
  TControl* FMouseControl = nullptr;
  TControl* FHintControl = nullptr;
  TComponent* FHintWindow = nullptr;
  TRect FHintCursorRect;  // screen coordinates
  // Where the pointer was at the last move the hints saw; none after a press.
  std::optional<TPoint> FHintMousePos;
  bool FHintShowing = false;
  std::uintptr_t FHintTimer = 0;
  std::uintptr_t FHideTimer = 0;
  void StartHintTimer(UINT Interval);
  void StopHintTimers();
  static void HintTimerProc(HWND Wnd, UINT Msg, std::uintptr_t ID, DWORD Time);
};

// The class of hint window the application makes when a control does not choose
// one (the standard hint window sets it).
extern TComponentClass HintWindowClass;

// ---- Screen ------------------------------------------------------------------------------------
class TScreen : public TComponent {
public:
  BORROW_COMPONENT(TScreen, TComponent)
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  // A nestable override of every control's cursor; crDefault lets controls choose.
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  HCURSOR GetCursors(TCursor Index) const;
  void SetCursors(TCursor Index, HCURSOR Handle);

  TCustomForm* GetActiveForm() const { return FActiveForm; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  Integer GetFormCount() const { return Integer(FForms.size()); }
  TCustomForm* GetForms(Integer Index) const { return FForms.at(size_t(Index)); }
  Integer GetCustomFormCount() const { return GetFormCount(); }
  TCustomForm* GetCustomForms(Integer Index) const { return GetForms(Index); }

  Integer GetWidth() const;
  Integer GetHeight() const;
  Integer GetDesktopWidth() const;
  Integer GetDesktopHeight() const;
  Integer GetDesktopLeft() const;
  Integer GetDesktopTop() const;
  TRect GetWorkAreaRect() const;
  Integer GetWorkAreaWidth() const { return GetWorkAreaRect().Width(); }
  Integer GetWorkAreaHeight() const { return GetWorkAreaRect().Height(); }
  Integer GetPixelsPerInch() const { return 96; }
  Integer GetMonitorCount() const;
  TFont* GetIconFont() const { return FIconFont.get(); }
  TFont* GetHintFont() const { return FHintFont.get(); }
  TFont* GetMenuFont() const { return FMenuFont.get(); }

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

  // A control going away is forgotten.
  void ControlDestroying(TControl* Control);

private:
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);
  void SetActiveControl(TWinControl* Control);

  TCursor FCursor = crDefault;
  std::map<TCursor, HCURSOR> FCursors;
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  std::unique_ptr<TFont> FIconFont, FHintFont, FMenuFont;
  friend class TCustomForm;
};

// The application and screen objects of the program, made by InitializeForms
// (controls call it, so they exist whenever a control does).
extern TApplication* Application;
extern TScreen* Screen;
void InitializeForms();
// Frees both; the headless display calls it at the end of a test.
void FinalizeForms();
