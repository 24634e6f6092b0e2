// The accessible objects in process, through the platform's own path (WM_GETOBJECT and
// ObjectFromLresult): objects made on request and gone with the last reference, the weak link cut
// when a control goes, the panel caption's text and links (default action = the anchor click),
// the progress bar's value and events, labels' names and name changes, an edit box named by the
// label beside it, the glass button as a push button (states, default action, events), and the
// accelerator texts.

#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "controls/win/AdvGlassButton.h"
#include "controls/win/AdvProgressBar.h"
#include "controls/win/AdvSmoothPanel.h"
#include "framework/win/Accessibility.h"
#include "framework/win/Application.h"
#include "framework/win/Controls.h"
#include "framework/win/StdCtrls.h"
#include "support/Settles.h"

namespace {

using testsupport::Settles;

fw::Application& App() {
    static fw::Application application;
    return application;
}

void Pump(std::chrono::milliseconds duration = std::chrono::milliseconds(50)) {
    const auto end = std::chrono::steady_clock::now() + duration;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < end);
}

// A reference to an object, released at the end of the scope.
struct Ref {
    IAccessible* p = nullptr;
    Ref() = default;
    explicit Ref(IAccessible* object) : p(object) {}
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& other) noexcept : p(other.p) { other.p = nullptr; }
    ~Ref() {
        if (p) p->Release();
    }
    IAccessible* operator->() const { return p; }
};

// The window's client object as a reader gets it.
Ref ClientObject(HWND window) {
    const LRESULT result = SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    if (result <= 0) return Ref();
    IAccessible* object = nullptr;
    if (FAILED(ObjectFromLresult(result, __uuidof(IAccessible), 0, reinterpret_cast<void**>(&object)))) return Ref();
    return Ref(object);
}

VARIANT Self() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*getter)(VARIANT, BSTR*), const Ref& object) {
    BSTR text = nullptr;
    (object.p->*getter)(Self(), &text);
    std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return out;
}
std::wstring Name(const Ref& o) { return Text(&IAccessible::get_accName, o); }
std::wstring Value(const Ref& o) { return Text(&IAccessible::get_accValue, o); }

long Role(const Ref& object) {
    VARIANT role;
    VariantInit(&role);
    object->get_accRole(Self(), &role);
    return role.vt == VT_I4 ? role.lVal : 0;
}
DWORD State(const Ref& object) {
    VARIANT state;
    VariantInit(&state);
    object->get_accState(Self(), &state);
    return state.vt == VT_I4 ? static_cast<DWORD>(state.lVal) : 0;
}

std::vector<Ref> Children(const Ref& object) {
    long count = 0;
    object->get_accChildCount(&count);
    std::vector<Ref> children;
    for (long i = 1; i <= count; ++i) {
        VARIANT id;
        VariantInit(&id);
        id.vt = VT_I4;
        id.lVal = i;
        IDispatch* child = nullptr;
        if (object->get_accChild(id, &child) != S_OK || !child) continue;
        IAccessible* accessible = nullptr;
        child->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&accessible));
        child->Release();
        children.emplace_back(accessible);
    }
    return children;
}

// Accessibility events this process raises, heard through an out-of-context hook of its own.
std::vector<std::pair<DWORD, LONG>> g_events;
void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG child, DWORD, DWORD) { g_events.emplace_back(event, child); }
struct EventHook {
    HWINEVENTHOOK hook;
    EventHook() : hook(SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &Heard,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT)) {
        g_events.clear();
    }
    ~EventHook() { UnhookWinEvent(hook); }
    // The events of one kind heard so far, after 100 ms for those on their way.
    int Count(DWORD event) {
        Pump(std::chrono::milliseconds(100));
        int n = 0;
        for (const auto& e : g_events) n += e.first == event;
        return n;
    }
};

class Accessibility : public testing::Test {
protected:
    void SetUp() override {
        App();
        form.SetBounds(100, 100, 400, 300);
    }
    template <class T>
    T* Add(fw::TWinControl* parent, int left, int top, int width, int height, const char* caption = "") {
        auto* control = static_cast<T*>(form.Own(std::make_unique<T>()));
        control->SetBounds(left, top, width, height);
        static_cast<fw::TControl*>(control)->SetCaption(caption);
        control->SetParent(parent);
        return control;
    }
    // The glass buttons follow the real pointer too (hover, a press dragged off): it is put in
    // the screen's corner, clear of the form, before the form shows.
    void Show() {
        ::SetCursorPos(0, 0);
        form.Show();
        Pump();
    }

    fw::TForm form;
};

TEST_F(Accessibility, ObjectsAreMadeOnRequestAndGoWithTheLastReference) {
    auto* box = Add<fw::TEdit>(&form, 10, 10, 100, 21);
    Show();
    EXPECT_EQ(fw::LiveAccessibleObjects(), 0) << "nothing made at start";
    {
        Ref first = ClientObject(box->Handle());
        ASSERT_TRUE(first.p);
        Ref again = ClientObject(box->Handle());
        EXPECT_EQ(first.p, again.p) << "one object while it is held";
        EXPECT_EQ(fw::LiveAccessibleObjects(), 1);
        const auto children = Children(ClientObject(form.Handle()));
        ASSERT_EQ(children.size(), 1u);
        EXPECT_EQ(children[0].p, first.p) << "the form gives the box's own object as its child";
    }
    EXPECT_EQ(fw::LiveAccessibleObjects(), 0) << "gone with the last reference";
}

TEST_F(Accessibility, AReferenceKeptAfterTheControlWentAnswersDisconnected) {
    auto box = std::make_unique<fw::TCheckBox>();  // not the form's: the test destroys it
    box->SetBounds(10, 10, 100, 17);
    box->SetCaption("&Lembrar");
    box->SetParent(&form);
    Show();
    Ref kept = ClientObject(box->Handle());
    ASSERT_TRUE(kept.p);
    EXPECT_EQ(Name(kept), L"Lembrar");
    box.reset();
    BSTR name = nullptr;
    EXPECT_EQ(kept->get_accName(Self(), &name), RPC_E_DISCONNECTED);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(kept->accDoDefaultAction(Self()), RPC_E_DISCONNECTED);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(WindowFromAccessibleObject(kept.p, &window), RPC_E_DISCONNECTED);
}

TEST_F(Accessibility, EditBoxesAreNamedByTheirFocusLabelElseTheLabelBesideThem) {
    auto* named = Add<fw::TLabel>(&form, 10, 12, 60, 13, "&Servidor");
    auto* beside = Add<fw::TLabel>(&form, 10, 42, 60, 13, "Utilizador");
    Add<fw::TLabel>(&form, 200, 42, 60, 13, "Depois");   // on the right: not the box's label
    Add<fw::TLabel>(&form, 10, 72, 60, 13, "Em baixo");  // another row
    auto* server = Add<fw::TEdit>(&form, 80, 100, 100, 21);  // far from its label: named by FocusControl
    auto* user = Add<fw::TEdit>(&form, 80, 39, 100, 21);
    named->SetFocusControl(server);
    Show();
    const Ref serverObject = ClientObject(server->Handle());
    EXPECT_EQ(Name(serverObject), L"Servidor");
    BSTR shortcut = nullptr;
    serverObject->get_accKeyboardShortcut(Self(), &shortcut);
    EXPECT_EQ(std::wstring(shortcut ? shortcut : L""), L"Alt+s");
    SysFreeString(shortcut);
    EXPECT_EQ(Name(ClientObject(user->Handle())), L"Utilizador");
    (void)beside;
}

TEST_F(Accessibility, PanelCaptionReadsItsTextAndItsLinksClickTheirAnchors) {
    auto* panel = Add<ctl::TAdvSmoothPanel>(&form, 0, 0, 400, 300);
    panel->Caption().SetHTMLText("Veja <A href=\"ajuda\">a ajuda</A> ou <A href=\"site\">o site</A>.");
    std::vector<std::string> clicked;
    panel->OnAnchorClick = [&](ctl::TAdvSmoothPanel&, const std::string& anchor) { clicked.push_back(anchor); };
    Show();
    const Ref panelObject = ClientObject(panel->Handle());
    const auto children = Children(panelObject);
    ASSERT_GE(children.size(), 1u);
    const Ref& caption = children[0];
    EXPECT_EQ(Role(caption), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(Name(caption), L"Veja a ajuda ou o site.");
    const auto links = Children(caption);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(Role(links[0]), ROLE_SYSTEM_LINK);
    EXPECT_EQ(Name(links[0]), L"a ajuda");
    EXPECT_EQ(Value(links[1]), L"site");
    EXPECT_TRUE(State(links[1]) & STATE_SYSTEM_LINKED);
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(links[1]->accLocation(&x, &y, &w, &h, Self()), S_OK);
    RECT onScreen{};
    GetWindowRect(panel->Handle(), &onScreen);
    EXPECT_TRUE(w > 0 && h > 0 && x >= onScreen.left && y >= onScreen.top) << x << "," << y << " " << w << "x" << h;

    ASSERT_EQ(links[1]->accDoDefaultAction(Self()), S_OK);
    EXPECT_TRUE(clicked.empty()) << "the click waits for the message loop, not inside the caller's call";
    EXPECT_TRUE(Settles([&] { return clicked; }, std::vector<std::string>{"site"}));

    // A caption that loses a link takes the link's object with it.
    panel->Caption().SetHTMLText("Sem ligações");
    EXPECT_EQ(Children(caption).size(), 0u);
    EXPECT_EQ(links[0]->accDoDefaultAction(Self()), RPC_E_DISCONNECTED);
}

// Issue 33: right after a resize, before the panel paints again, a reader finds a link where it
// is about to be painted, and the mouse hits it there and no longer where it was.
TEST_F(Accessibility, PanelLinkIsWhereTheNewSizePutsItBeforeAnyPaint) {
    auto* panel = Add<ctl::TAdvSmoothPanel>(&form, 0, 0, 200, 150);
    panel->Caption().SetHTMLText("<A href=\"ajuda\">Ajuda</A>");  // centred in the panel
    Show();
    const auto captions = Children(ClientObject(panel->Handle()));
    ASSERT_GE(captions.size(), 1u);
    const auto links = Children(captions[0]);
    ASSERT_EQ(links.size(), 1u);
    long x0 = 0, y0 = 0, w0 = 0, h0 = 0;
    ASSERT_EQ(links[0]->accLocation(&x0, &y0, &w0, &h0, Self()), S_OK);

    panel->SetBounds(0, 0, 400, 300);  // no message handled since: not painted at this size
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(links[0]->accLocation(&x, &y, &w, &h, Self()), S_OK);
    EXPECT_EQ(x - x0, 100) << "half the added width";
    EXPECT_EQ(y - y0, 75) << "half the added height";
    EXPECT_EQ(w, w0);
    POINT middle{x + w / 2, y + h / 2}, before{x0 + w0 / 2, y0 + h0 / 2};
    ScreenToClient(panel->Handle(), &middle);
    ScreenToClient(panel->Handle(), &before);
    EXPECT_EQ(panel->AnchorAt(middle.x, middle.y), "ajuda");
    EXPECT_EQ(panel->AnchorAt(before.x, before.y), "") << "not where the smaller panel had it";
}

TEST_F(Accessibility, ProgressBarGivesItsPercentageAndAnnouncesEachChangeOnce) {
    auto* bar = Add<ctl::TAdvProgressBar>(&form, 10, 10, 200, 18);
    Show();
    const auto children = Children(ClientObject(form.Handle()));
    ASSERT_EQ(children.size(), 1u);
    const Ref& object = children[0];
    EXPECT_EQ(Role(object), ROLE_SYSTEM_PROGRESSBAR);
    EventHook hook;
    bar->SetPosition(42);
    EXPECT_TRUE(Settles([&] { return hook.Count(EVENT_OBJECT_VALUECHANGE); }, 1));
    EXPECT_EQ(Value(object), L"42%");
    bar->SetPosition(42);
    EXPECT_TRUE(Settles([&] { return hook.Count(EVENT_OBJECT_VALUECHANGE); }, 1)) << "no change, no event";
    EXPECT_FALSE(State(object) & STATE_SYSTEM_ANIMATED);
    bar->SetAnimated(true);
    EXPECT_TRUE(Settles([&] { return hook.Count(EVENT_OBJECT_STATECHANGE); }, 1));
    EXPECT_TRUE(State(object) & STATE_SYSTEM_ANIMATED);
    bar->SetAnimated(false);
}

TEST_F(Accessibility, LabelsReadWithoutTheirMarkAndAnnounceANewCaptionOnce) {
    auto* label = Add<fw::TLabel>(&form, 10, 10, 100, 13, "&Base && dados");
    Show();
    const auto children = Children(ClientObject(form.Handle()));
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(Role(children[0]), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(Name(children[0]), L"Base & dados");
    std::vector<std::pair<DWORD, LONG>> names;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &Heard,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    g_events.clear();
    label->SetCaption("A copiar ficheiros...");
    const testing::AssertionResult announcedOnce = Settles(
        [] {
            Pump(std::chrono::milliseconds(100));  // for those on their way
            return g_events.size();
        },
        std::size_t{1});
    UnhookWinEvent(hook);
    ASSERT_TRUE(announcedOnce);
    EXPECT_EQ(g_events[0].second, 1) << "the label is the form's first child";
    EXPECT_EQ(Name(children[0]), L"A copiar ficheiros...");
}

// Every accessibility event this process raises for one window's client object, as a reader's
// out-of-context hook hears it.
struct ClientEvents {
    static inline std::vector<DWORD> heard;
    static inline HWND window = nullptr;
    static void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
        if (hwnd == window && object == OBJID_CLIENT && child == CHILDID_SELF) heard.push_back(event);
    }
    HWINEVENTHOOK hook;
    explicit ClientEvents(HWND of)
        : hook(SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &Hook, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT)) {
        window = of;
        heard.clear();
    }
    ~ClientEvents() { UnhookWinEvent(hook); }
    // Whether `expected` events of one kind were heard (after 100 ms for those on their way, and
    // waiting for more while fewer came); then every event heard so far is forgotten.
    testing::AssertionResult Take(DWORD event, int expected) {
        testing::AssertionResult result = Settles(
            [event] {
                Pump(std::chrono::milliseconds(100));
                return static_cast<int>(std::count(heard.begin(), heard.end(), event));
            },
            expected);
        heard.clear();
        return result;
    }
};

// The glass button reads as the push button it looks like: its caption without the mark as its
// name, the mark's letter as shortcut, "Press" as default action, and the states a person sees.
TEST_F(Accessibility, GlassButtonReadsAsAPushButtonWithTheStatesAPersonSees) {
    auto* other = Add<ctl::TAdvGlassButton>(&form, 10, 10, 81, 29, "Sair");
    auto* button = Add<ctl::TAdvGlassButton>(&form, 100, 10, 81, 29, "&Seguinte >>");
    Show();
    const Ref object = ClientObject(button->Handle());
    ASSERT_TRUE(object.p);
    EXPECT_EQ(Role(object), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(Name(object), L"Seguinte >>");
    EXPECT_EQ(Text(&IAccessible::get_accKeyboardShortcut, object), L"Alt+s");
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, object), L"Press");
    EXPECT_EQ(Text(&IAccessible::get_accKeyboardShortcut, ClientObject(other->Handle())), L"") << "Sair has no mark";

    constexpr DWORD kHeard = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_PRESSED |
                             STATE_SYSTEM_DEFAULT | STATE_SYSTEM_FOCUSABLE;
    const auto heardState = [&] { return State(object) & kHeard; };
    other->SetFocus();
    EXPECT_TRUE(Settles(heardState, DWORD(STATE_SYSTEM_FOCUSABLE))) << "at rest, another button focused";
    button->SetFocus();
    EXPECT_TRUE(Settles(heardState, DWORD(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_DEFAULT)))
        << "focused: the button Enter presses";
    SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 14));
    EXPECT_TRUE(State(object) & STATE_SYSTEM_PRESSED) << "held down";
    SendMessageW(button->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 14));
    EXPECT_FALSE(State(object) & STATE_SYSTEM_PRESSED) << "dragged off: it would not click";
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 14));
    other->SetFocus();
    Pump();
    button->SetEnabled(false);
    EXPECT_TRUE(Settles(heardState, DWORD(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE)));
}

// "Press" is a click as a person's: posted, so the caller's call returns first; then the focus
// comes to the button and its OnClick runs once. A disabled button refuses, and a button
// disabled after the action was posted does nothing when it arrives.
TEST_F(Accessibility, GlassButtonDefaultActionClicksLaterAndOnlyWhileEnabled) {
    auto* other = Add<ctl::TAdvGlassButton>(&form, 10, 10, 81, 29, "Sair");
    auto* button = Add<ctl::TAdvGlassButton>(&form, 100, 10, 81, 29, "Seguinte >>");
    int clicks = 0;
    button->OnClick.handler = [&](fw::Component&) { ++clicks; };
    Show();
    other->SetFocus();
    Pump();
    const Ref object = ClientObject(button->Handle());
    ASSERT_EQ(object->accDoDefaultAction(Self()), S_OK);
    EXPECT_EQ(clicks, 0) << "the click waits for the message loop, not inside the caller's call";
    EXPECT_TRUE(Settles([&] { return clicks; }, 1));
    EXPECT_TRUE(Settles(GetFocus, button->Handle())) << "the focus comes to the pressed button, as with a click";
    EXPECT_TRUE(Settles([&] { return State(object) & STATE_SYSTEM_PRESSED; }, DWORD{0})) << "nothing stays pressed";

    ASSERT_EQ(object->accDoDefaultAction(Self()), S_OK);
    button->SetEnabled(false);  // before the loop gets to the posted action
    Pump();
    EXPECT_EQ(clicks, 1) << "disabled before the action arrived";
    EXPECT_EQ(object->accDoDefaultAction(Self()), E_FAIL) << "a disabled button refuses";
    Pump();
    EXPECT_EQ(clicks, 1);
}

// A reader hears each change once: pressed on and off, unavailable, and a new name; the platform
// announces the focus, and the button adds no state change of its own for it.
TEST_F(Accessibility, GlassButtonAnnouncesEachChangeOnce) {
    auto* other = Add<ctl::TAdvGlassButton>(&form, 10, 10, 81, 29, "Sair");
    auto* button = Add<ctl::TAdvGlassButton>(&form, 100, 10, 81, 29, "Seguinte >>");
    int clicks = 0;
    button->OnClick.handler = [&](fw::Component&) { ++clicks; };
    Show();
    // The button's hover timer reads the real pointer: it is put where the mouse messages below
    // say it is, or a tick on a slow machine would take the press for one dragged off.
    RECT place{};
    GetWindowRect(button->Handle(), &place);
    SetCursorPos(place.left + 40, place.top + 14);
    other->SetFocus();
    Pump();
    ClientEvents events(button->Handle());

    button->SetFocus();
    EXPECT_TRUE(events.Take(EVENT_OBJECT_FOCUS, 1)) << "focus";
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 0)) << "focus is not announced twice";
    SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 14));
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 1)) << "pressed";
    SendMessageW(button->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(41, 15));
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 0)) << "moved but still pressed";
    SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(41, 15));
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 1)) << "released";
    EXPECT_EQ(clicks, 1);

    button->SetEnabled(false);
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 1)) << "unavailable";
    button->SetEnabled(false);
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 0)) << "no change, no event";
    button->SetEnabled(true);
    EXPECT_TRUE(events.Take(EVENT_OBJECT_STATECHANGE, 1)) << "available again";

    button->SetCaption("&Concluir");
    EXPECT_TRUE(events.Take(EVENT_OBJECT_NAMECHANGE, 1)) << "a new name";
    EXPECT_EQ(Name(ClientObject(button->Handle())), L"Concluir");
    button->SetCaption("Conc&luir");
    EXPECT_TRUE(events.Take(EVENT_OBJECT_NAMECHANGE, 0)) << "only the mark moved: the name reads the same";
}

TEST(AcceleratorText, MarksGoAndDoubledAmpersandsStay) {
    const std::tuple<std::string, std::wstring, std::wstring> cases[] = {
        {"&Seguinte", L"Seguinte", L"Alt+s"},   {"Sair", L"Sair", L""},
        {"A && B", L"A & B", L""},              {"A && &B", L"A & B", L"Alt+b"},
        {"fim&", L"fim&", L""},                 {"", L"", L""},
        {"&\xC9xito", L"\xC9xito", L"Alt+\xE9"},  // the accented capital in lower case, as typed
    };
    for (const auto& [caption, plain, shortcut] : cases) {
        EXPECT_EQ(fw::WithoutAccelerator(fw::Widen(caption)), plain) << caption;
        EXPECT_EQ(fw::AcceleratorShortcut(caption), shortcut) << caption;
    }
}

}  // namespace
