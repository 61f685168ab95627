// What a Windows screen reader is told about the game: a UI Automation client, as NVDA and
// Narrator are, run under Wine beside the game. It listens to the events they listen to
// and writes one row per event, in the words a reader makes of it: the element's name, its
// control type, "checked" or "not checked", "unavailable" when it is disabled, a
// notification's text. Like a reader it says a focus once, and the window first when the
// focus has come into another one, with a dialog's texts. tst_winewindow drives the game by
// keys and checks the rows.
//   uia_reader.exe WINDOW-TITLE    (started before the window shows)
// A line "status bar" on standard input reads the status bar, as a reader's command does.
// What a reader says: "window: NAME[ dialog]", "text: NAME", "focus: WORDS", "notification:
// TEXT", "status bar: TEXT". Events it takes note of without a word: "event: property NAME:
// WORDS", "event: menu opened: WORDS", "event: menu closed: WORDS", "event: window opened:
// WORDS", "event: structure: WORDS". Besides: "lacks: WHAT (FUNCTION: HRESULT)" for what this
// UI Automation cannot tell, "listening" once subscribed, "ready" once the window exists and its
// status bar is found.
#include <windows.h>

#include <ole2.h>
#include <uiautomation.h>

#include <string>

namespace {

IUIAutomation *g_uia;
CRITICAL_SECTION g_lock; // events come on several threads
IUIAutomationElement *g_focus;
std::wstring g_focusWords;
RECT g_focusPlace;
HWND g_window;

void row(const std::wstring &text)
{
    std::wstring line = text;
    for (wchar_t &c : line) {
        if (c == L'\n' || c == L'\r')
            c = L' ';
    }
    line += L'\n';
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), bytes.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), DWORD(bytes.size()), &written,
              nullptr);
}

std::wstring take(BSTR text)
{
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

std::wstring nameOf(IUIAutomationElement *element)
{
    BSTR name = nullptr;
    element->get_CurrentName(&name);
    return take(name);
}

const wchar_t *typeName(CONTROLTYPEID type)
{
    switch (type) {
    case UIA_ButtonControlTypeId:
        return L"button";
    case UIA_CheckBoxControlTypeId:
        return L"check box";
    case UIA_MenuItemControlTypeId:
        return L"menu item";
    case UIA_MenuControlTypeId:
        return L"menu";
    case UIA_MenuBarControlTypeId:
        return L"menu bar";
    case UIA_WindowControlTypeId:
        return L"window";
    case UIA_TextControlTypeId:
        return L"text";
    case UIA_StatusBarControlTypeId:
        return L"status bar";
    case UIA_PaneControlTypeId:
        return L"pane";
    case UIA_GroupControlTypeId:
        return L"group";
    case UIA_CustomControlTypeId:
        return L"custom";
    default:
        return L"control";
    }
}

// A property's value, as VT_EMPTY when it cannot be had.
VARIANT property(IUIAutomationElement *element, PROPERTYID id)
{
    VARIANT value;
    VariantInit(&value);
    if (FAILED(element->GetCurrentPropertyValueEx(id, TRUE, &value)))
        VariantInit(&value);
    return value;
}

bool isTrue(IUIAutomationElement *element, PROPERTYID id)
{
    VARIANT value = property(element, id);
    return V_VT(&value) == VT_BOOL && V_BOOL(&value);
}

CONTROLTYPEID typeOf(IUIAutomationElement *element)
{
    CONTROLTYPEID type = 0;
    element->get_CurrentControlType(&type);
    return type;
}

// Name, control type, and the states a reader adds: checked or not for what can be
// checked, unavailable for what is disabled.
std::wstring words(IUIAutomationElement *element)
{
    std::wstring result = nameOf(element) + L" " + typeName(typeOf(element));
    VARIANT toggle = property(element, UIA_ToggleToggleStatePropertyId);
    if (V_VT(&toggle) == VT_I4)
        result += V_I4(&toggle) == ToggleState_On ? L" checked" : L" not checked";
    VARIANT enabled = property(element, UIA_IsEnabledPropertyId);
    if (V_VT(&enabled) == VT_BOOL && !V_BOOL(&enabled))
        result += L" unavailable";
    return result;
}

// Calls found(element) for each element below root, in the order of the tree, while it
// returns true. By hand: Wine 10 has no tree walker of the raw or control view and cannot
// evaluate a condition on the control type.
template <typename Found> void below(IUIAutomationElement *root, TreeScope scope, Found found)
{
    IUIAutomationCondition *all = nullptr;
    IUIAutomationElementArray *elements = nullptr;
    g_uia->CreateTrueCondition(&all);
    if (all && SUCCEEDED(root->FindAll(scope, all, &elements)) && elements) {
        int count = 0;
        elements->get_Length(&count);
        bool going = true;
        for (int i = 0; i < count && going; ++i) {
            IUIAutomationElement *element = nullptr;
            if (SUCCEEDED(elements->GetElement(i, &element)) && element) {
                going = found(element);
                element->Release();
            }
        }
        elements->Release();
    }
    if (all)
        all->Release();
}

// The first element in window that is, with a reference of its own; null if none is.
template <typename Is> IUIAutomationElement *firstIn(HWND window, Is is)
{
    IUIAutomationElement *root = nullptr, *first = nullptr;
    if (FAILED(g_uia->ElementFromHandle(window, &root)) || !root)
        return nullptr;
    below(root, TreeScope_Descendants, [&](IUIAutomationElement *item) {
        if (!is(item))
            return true;
        first = item;
        first->AddRef();
        return false;
    });
    root->Release();
    return first;
}

// The foreground window's name as a reader says it when the focus comes into it; a
// dialog's texts follow, as a reader reads them out.
void sayWindow(HWND window)
{
    IUIAutomationElement *element = nullptr;
    if (FAILED(g_uia->ElementFromHandle(window, &element)) || !element)
        return;
    const bool dialog = isTrue(element, UIA_IsDialogPropertyId);
    row(L"window: " + nameOf(element) + (dialog ? L" dialog" : L""));
    if (dialog) {
        below(element, TreeScope_Descendants, [](IUIAutomationElement *item) {
            if (typeOf(item) == UIA_TextControlTypeId)
                row(L"text: " + nameOf(item));
            return true;
        });
    }
    element->Release();
}

// The game window's status bar, looked for once: Wine takes some seconds to list a window's
// elements.
IUIAutomationElement *g_statusBar;

void findStatusBar(HWND window)
{
    g_statusBar = firstIn(window, [](IUIAutomationElement *item) {
        return typeOf(item) == UIA_StatusBarControlTypeId;
    });
}

// A reader reads the status bar's items one after the other.
void sayStatusBar()
{
    if (!g_statusBar) {
        row(L"status bar: none found");
        return;
    }
    std::wstring text = nameOf(g_statusBar);
    below(g_statusBar, TreeScope_Children, [&](IUIAutomationElement *item) {
        const std::wstring name = nameOf(item);
        if (!name.empty())
            text += (text.empty() ? L"" : L" ") + name;
        return true;
    });
    row(L"status bar: " + text);
}

// The control that has the focus in the foreground window, or null. The one last said, if
// it still has it; else each is asked, which takes Wine some seconds, and if another window
// has come to the front meanwhile, the focus has moved on since: stale is set, and a reader
// hears of the newer focus by its own event.
IUIAutomationElement *focusInside(bool &stale)
{
    stale = false;
    EnterCriticalSection(&g_lock);
    IUIAutomationElement *inside = g_focus;
    if (inside)
        inside->AddRef();
    LeaveCriticalSection(&g_lock);
    if (inside && isTrue(inside, UIA_HasKeyboardFocusPropertyId))
        return inside;
    if (inside)
        inside->Release();
    const HWND front = GetForegroundWindow();
    inside = firstIn(front, [](IUIAutomationElement *item) {
        return isTrue(item, UIA_HasKeyboardFocusPropertyId);
    });
    if (inside && GetForegroundWindow() != front) {
        inside->Release();
        inside = nullptr;
        stale = true;
    }
    return inside;
}

class Ears final : public IUIAutomationFocusChangedEventHandler,
                   public IUIAutomationPropertyChangedEventHandler,
                   public IUIAutomationStructureChangedEventHandler,
                   public IUIAutomationEventHandler,
                   public IUIAutomationNotificationEventHandler
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IUIAutomationFocusChangedEventHandler)
            *object = static_cast<IUIAutomationFocusChangedEventHandler *>(this);
        else if (iid == IID_IUIAutomationPropertyChangedEventHandler)
            *object = static_cast<IUIAutomationPropertyChangedEventHandler *>(this);
        else if (iid == IID_IUIAutomationStructureChangedEventHandler)
            *object = static_cast<IUIAutomationStructureChangedEventHandler *>(this);
        else if (iid == IID_IUIAutomationEventHandler)
            *object = static_cast<IUIAutomationEventHandler *>(this);
        else if (iid == IID_IUIAutomationNotificationEventHandler)
            *object = static_cast<IUIAutomationNotificationEventHandler *>(this);
        else
            return *object = nullptr, E_NOINTERFACE;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; } // lives as long as the program
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // A reader says nothing when the focus "moves" to where it already is. The focus on a
    // window, or on its client area, as Wine tells when the window comes to the front, is the
    // focus of the control inside it, which a reader looks for.
    HRESULT STDMETHODCALLTYPE HandleFocusChangedEvent(IUIAutomationElement *sender) override
    {
        const CONTROLTYPEID type = typeOf(sender);
        if (type == UIA_WindowControlTypeId || type == UIA_PaneControlTypeId) {
            bool stale = false;
            IUIAutomationElement *inside = focusInside(stale);
            if (inside) {
                HandleFocusChangedEvent(inside);
                inside->Release();
            }
            if (inside || stale)
                return S_OK;
        }
        // Nor of a control that no longer has it, as NVDA checks: Windows tells of the focus
        // that came back to the game's window as a menu closed, after a dialog has taken it.
        const VARIANT focused = property(sender, UIA_HasKeyboardFocusPropertyId);
        if (V_VT(&focused) == VT_BOOL && !V_BOOL(&focused))
            return S_OK;
        EnterCriticalSection(&g_lock);
        // Wine 10 can neither compare elements nor give their runtime ids: the same words in
        // the same place are the same element.
        const std::wstring said = words(sender);
        RECT place{};
        sender->get_CurrentBoundingRectangle(&place);
        BOOL same = FALSE;
        if (g_focus && FAILED(g_uia->CompareElements(g_focus, sender, &same)))
            same = said == g_focusWords && EqualRect(&place, &g_focusPlace);
        if (!same) {
            if (g_focus)
                g_focus->Release();
            g_focus = sender;
            sender->AddRef();
            g_focusWords = said;
            g_focusPlace = place;
            const HWND window = GetForegroundWindow();
            if (window != g_window) {
                g_window = window;
                sayWindow(window);
            }
            row(L"focus: " + said);
        }
        LeaveCriticalSection(&g_lock);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE HandlePropertyChangedEvent(IUIAutomationElement *sender,
                                                         PROPERTYID property, VARIANT) override
    {
        const wchar_t *name = property == UIA_NamePropertyId        ? L"Name"
                              : property == UIA_IsEnabledPropertyId ? L"IsEnabled"
                                                                    : L"ToggleState";
        EnterCriticalSection(&g_lock);
        row(std::wstring(L"event: property ") + name + L": " + words(sender));
        LeaveCriticalSection(&g_lock);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE HandleStructureChangedEvent(IUIAutomationElement *sender,
                                                          StructureChangeType, SAFEARRAY *) override
    {
        EnterCriticalSection(&g_lock);
        row(L"event: structure: " + words(sender));
        LeaveCriticalSection(&g_lock);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE HandleAutomationEvent(IUIAutomationElement *sender,
                                                    EVENTID event) override
    {
        const wchar_t *name = event == UIA_MenuOpenedEventId   ? L"event: menu opened: "
                              : event == UIA_MenuClosedEventId ? L"event: menu closed: "
                                                               : L"event: window opened: ";
        EnterCriticalSection(&g_lock);
        row(name + words(sender));
        LeaveCriticalSection(&g_lock);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE HandleNotificationEvent(IUIAutomationElement *, NotificationKind,
                                                      NotificationProcessing, BSTR text,
                                                      BSTR) override
    {
        EnterCriticalSection(&g_lock);
        row(L"notification: " + std::wstring(text ? text : L""));
        LeaveCriticalSection(&g_lock);
        return S_OK;
    }
};

Ears g_ears;

// Says which subscription this UI Automation refused, rather than hearing nothing of it.
void subscribed(HRESULT result, const wchar_t *what, const wchar_t *function)
{
    if (FAILED(result)) {
        wchar_t code[16];
        wsprintfW(code, L"0x%08lx", static_cast<unsigned long>(result));
        row(std::wstring(L"lacks: ") + what + L" (" + function + L": " + code + L")");
    }
}

void subscribe(IUIAutomationElement *root)
{
    subscribed(g_uia->AddFocusChangedEventHandler(nullptr, &g_ears), L"focus changed events",
               L"AddFocusChangedEventHandler");
    PROPERTYID properties[] = {UIA_NamePropertyId, UIA_ToggleToggleStatePropertyId,
                               UIA_IsEnabledPropertyId};
    subscribed(g_uia->AddPropertyChangedEventHandlerNativeArray(root, TreeScope_Subtree, nullptr,
                                                                &g_ears, properties, 3),
               L"property changed events", L"AddPropertyChangedEventHandlerNativeArray");
    subscribed(g_uia->AddStructureChangedEventHandler(root, TreeScope_Subtree, nullptr, &g_ears),
               L"structure changed events", L"AddStructureChangedEventHandler");
    for (const auto &[event, name] :
         {std::pair{UIA_MenuOpenedEventId, L"menu opened events"},
          std::pair{UIA_MenuClosedEventId, L"menu closed events"},
          std::pair{UIA_Window_WindowOpenedEventId, L"window opened events"}})
        subscribed(
            g_uia->AddAutomationEventHandler(event, root, TreeScope_Subtree, nullptr, &g_ears),
            name, L"AddAutomationEventHandler");
    IUIAutomation5 *uia5 = nullptr;
    HRESULT result = g_uia->QueryInterface(IID_IUIAutomation5, reinterpret_cast<void **>(&uia5));
    if (SUCCEEDED(result)) {
        result = uia5->AddNotificationEventHandler(root, TreeScope_Subtree, nullptr, &g_ears);
        uia5->Release();
    }
    subscribed(result, L"notification events", L"AddNotificationEventHandler");
    BOOL same = FALSE;
    subscribed(g_uia->CompareElements(root, root, &same), L"element comparison",
               L"CompareElements");
    // Any element answers for a toggle state, if only that it has none.
    VARIANT toggle;
    subscribed(root->GetCurrentPropertyValueEx(UIA_ToggleToggleStatePropertyId, TRUE, &toggle),
               L"toggle states", L"UiaGetPropertyValue");
    VariantClear(&toggle);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        row(L"usage: uia_reader WINDOW-TITLE");
        return 2;
    }
    InitializeCriticalSection(&g_lock);
    // Events come on UI Automation's own threads, with no message loop here.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(CoCreateInstance(CLSID_CUIAutomation8, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IUIAutomation, reinterpret_cast<void **>(&g_uia))) &&
        FAILED(CoCreateInstance(CLSID_CUIAutomation, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IUIAutomation, reinterpret_cast<void **>(&g_uia)))) {
        row(L"no UI Automation");
        return 1;
    }
    // Listening before the game starts, as a reader is: Wine's UI Automation asks a process
    // for its events only once one of its windows shows or takes the focus.
    IUIAutomationElement *root = nullptr;
    g_uia->GetRootElement(&root);
    subscribe(root);
    row(L"listening");
    HWND window = nullptr;
    for (int wait = 0; wait < 600 && !window; ++wait) {
        window = FindWindowW(nullptr, argv[1]);
        if (!window)
            Sleep(100);
    }
    if (!window) {
        row(L"no window");
        return 1;
    }

    findStatusBar(window);
    // The window and the focus in it are heard as the focus comes there.
    row(L"ready");

    std::string line;
    char c;
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &read, nullptr) && read == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line == "status bar") {
            EnterCriticalSection(&g_lock);
            sayStatusBar();
            LeaveCriticalSection(&g_lock);
        }
        line.clear();
    }
    g_uia->RemoveAllEventHandlers();
    root->Release();
    g_uia->Release();
    CoUninitialize();
    return 0;
}
