// Typing into the wizard's edit boxes, as a person types: the same key sequences go into a plain
// platform edit box of the driver's fixture program (the reference) and into each of the wizard's
// boxes, and must leave the same text and the same selection. The password box is compared with
// a platform password box (as far as a reader may know it: its length and its selection), the
// review page's read-only boxes with a platform read-only box; the typed password is checked where
// it lands, in the data link file.

#include <gtest/gtest.h>

#include <functional>

#include "WizardFlow.h"

namespace {

using namespace wizard;
using gui::App;
using gui::Element;
using gui::Named;
using gui::Snapshot;
using std::chrono::milliseconds;

// The driver fixture's platform edit boxes, named by the labels before them.
const Named kPlainReference{ROLE_SYSTEM_TEXT, "Entrada"};
const Named kPasswordReference{ROLE_SYSTEM_TEXT, "Segredo"};
const Named kReadOnlyReference{ROLE_SYSTEM_TEXT, "Leitura"};

// What an edit box holds, as far as a reader may know it: its text (none for a password box),
// its length and its selection (start and end; equal for a plain caret).
struct EditState {
    std::string text;
    int length = 0;
    DWORD selection = 0;
    bool operator==(const EditState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const EditState& s) {
    return out << '"' << gui::Cp1252ToUtf8(s.text) << "\" (" << s.length << " characters) selection "
               << LOWORD(s.selection) << "-" << HIWORD(s.selection);
}

// The platform's standard messages a reader sends an edit box; the text only when it is no
// password box.
EditState ReadEdit(HWND edit, bool password) {
    return {password ? std::string() : gui::WindowText(edit), gui::TextLength(edit), gui::Selection(edit)};
}

// One key sequence, sent to whatever has the focus in root.
struct KeySequence {
    const char* name;
    std::function<void(HWND root)> keys;
};

void Type(HWND root, const wchar_t* text) { gui::TypeText(root, text); }
void Key(HWND root, WORD key, unsigned modifiers = gui::kNoModifier, int times = 1) {
    gui::PressKey(root, key, modifiers, times);
}

const std::vector<KeySequence>& Sequences() {
    static const std::vector<KeySequence> all = {
        {"typing, caret moves and deletions",
         [](HWND r) {
             Type(r, L"abc,123");
             Key(r, VK_HOME);
             Type(r, L"X");
             Key(r, VK_END);
             Key(r, VK_BACK);
             Key(r, VK_LEFT, gui::kNoModifier, 2);
             Key(r, VK_DELETE);
             Type(r, L"ç");
         }},
        {"selections with Shift and arrows, typed over",
         [](HWND r) {
             Type(r, L"servidor");
             Key(r, VK_LEFT, gui::kShift, 3);
             Type(r, L"ã");
             Key(r, VK_HOME);
             Key(r, VK_RIGHT, gui::kShift, 2);
             Key(r, VK_DELETE);
             Key(r, VK_END, gui::kShift);
             Key(r, VK_LEFT, gui::kShift);
         }},
        {"select all, copy and paste through the clipboard",
         [](HWND r) {
             Type(r, L"é€ PC");
             Key(r, 'A', gui::kCtrl);
             Key(r, 'C', gui::kCtrl);
             Key(r, VK_END);
             Key(r, 'V', gui::kCtrl);
             Key(r, VK_LEFT, gui::kNoModifier, 4);
             Key(r, 'V', gui::kCtrl);
         }},
        {"a whole text replaced by typing over the selection",
         [](HWND r) {
             Type(r, L"MARLOVEXSQL");
             Key(r, 'A', gui::kCtrl);
             Type(r, L"Instância");
             Key(r, VK_HOME, gui::kShift);
             Type(r, L"nº 2");
         }},
    };
    return all;
}

class EditTyping : public flow::WizardFlowTest {
protected:
    void SetUp() override {
        WizardFlowTest::SetUp();
        const auto rigExe = rigFolder_.Copy(gui::ProgramFolder() / "rig_app.exe");
        rig = App::Launch(rigExe, rigFolder_.Path());
        rig->WaitForMainWindow(L"RigFixtureWindow");
        Start();
    }

    // Empties the clipboard, so that a box that cannot copy (a password box) pastes the same
    // nothing in both programs.
    static void EmptyTheClipboard() {
        gui::WaitFor([] { return OpenClipboard(nullptr) != 0; }, "the clipboard");
        EmptyClipboard();
        CloseClipboard();
    }

    // Clicks into a box, empties it with Ctrl+A and Delete, runs the sequence and returns the
    // box's state once it has stopped changing (every key handled).
    EditState TypeInto(App& program, const Element& box, const KeySequence& sequence) {
        EmptyTheClipboard();
        const HWND window = box.Window();
        const bool password = box.Has(STATE_SYSTEM_PROTECTED);
        gui::ClickToFocus(program, box);
        const HWND root = GetAncestor(window, GA_ROOT);
        Key(root, 'A', gui::kCtrl);
        Key(root, VK_DELETE);
        EditState state;
        if (!gui::WaitUntil([&] { return (state = ReadEdit(window, password)).length == 0; }))
            throw gui::DriverError(gui::Describe(box.What()) + " was not emptied by Ctrl+A and Delete (it holds " +
                                   std::to_string(state.length) + " characters)");
        sequence.keys(root);
        return Settled(window, password);
    }

    // The box's state once it has read the same for 400 ms.
    static EditState Settled(HWND edit, bool password = false) {
        EditState last = ReadEdit(edit, password);
        auto since = std::chrono::steady_clock::now();
        gui::WaitFor(
            [&] {
                const EditState now = ReadEdit(edit, password);
                if (!(now == last)) {
                    last = now;
                    since = std::chrono::steady_clock::now();
                }
                return std::chrono::steady_clock::now() - since >= milliseconds(400);
            },
            "the edit box to settle");
        return last;
    }

private:
    // Before the program in it: members go in reverse order, so the program ends (App's destructor
    // kills it) before its folder is removed. The other way round the removal waited out its
    // bound on the running program's files, and left the folder behind.
    gui::StagingFolder rigFolder_;

protected:
    std::unique_ptr<App> rig;
};

// The fault once found: clicked at the end of its text, the server box took the typed characters
// in reverse order at its start.
TEST_F(EditTyping, TextTypedAtTheEndOfTheServerBoxComesOutInOrder) {
    ChooseProduct("VelmoPos");
    const Element servidor = app->Get(kServerBox);
    const std::string before = servidor.Value().value_or("");
    ASSERT_FALSE(before.empty()) << "the server box starts with the computer's name";
    const RECT place = servidor.Location();
    gui::RealClick(app->MainWindow(), gui::PointIn(servidor, -6, (place.bottom - place.top) / 2));
    gui::WaitFor([&] { return app->FocusedWindow() == servidor.Window(); },
                 "the server box to take the focus (it is with " + gui::ToCp1252(gui::ClassName(app->FocusedWindow())) +
                     ")");
    gui::TypeText(app->MainWindow(), L"abc,123");
    WaitFor([&](const Snapshot& s) { return s.Value(kServerBox) == before + "abc,123"; },
            "the server box to read " + before + "abc,123");
    const int end = static_cast<int>(before.size()) + 7;
    EXPECT_EQ(Settled(servidor.Window()), (EditState{before + "abc,123", end, static_cast<DWORD>(MAKELONG(end, end))}));
}

TEST_F(EditTyping, EveryBoxOfTheServerPageTypesAsThePlatformsOwnEditBox) {
    ChooseProduct("VelmoPos");
    const Element reference = rig->Get(kPlainReference);
    for (const KeySequence& sequence : Sequences()) {
        const EditState want = TypeInto(*rig, reference, sequence);
        for (const Named* box : {&kServerBox, &kInstanceBox, &kDatabaseBox, &kUserBox}) {
            EXPECT_EQ(TypeInto(*app, app->Get(*box), sequence), want) << box->name << ", " << sequence.name;
            // A reader hears what the box shows.
            EXPECT_EQ(app->Get(*box).Value(), std::optional(want.text)) << box->name << ", " << sequence.name;
        }
    }
}

TEST_F(EditTyping, ThePasswordBoxTypesAsAPlatformPasswordBoxAndItsTextReachesTheDataLinkFile) {
    ChooseProduct("VelmoPos");
    const Element reference = rig->Get(kPasswordReference);
    const Element password = app->Get(kPasswordBox);
    ASSERT_TRUE(reference.Has(STATE_SYSTEM_PROTECTED)) << "the platform's password box keeps its text from readers";
    ASSERT_TRUE(password.Has(STATE_SYSTEM_PROTECTED));
    LONG_PTR style = GetWindowLongPtrW(password.Window(), GWL_STYLE);
    EXPECT_TRUE(style & ES_PASSWORD) << "the box shows password characters only";
    DWORD_PTR mask = 0;
    ASSERT_TRUE(SendMessageTimeoutW(password.Window(), EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 2000, &mask));
    EXPECT_NE(mask, 0u);
    for (const KeySequence& sequence : Sequences()) {
        const EditState want = TypeInto(*rig, reference, sequence);
        EXPECT_GT(want.length, 0) << sequence.name;
        EXPECT_EQ(TypeInto(*app, password, sequence), want) << sequence.name;
    }
    // The last sequence needs no clipboard (which a password box does not copy to): a plain box
    // ends with the text the password box holds now.
    const std::string typed = TypeInto(*rig, rig->Get(kPlainReference), Sequences().back()).text;
    ASSERT_FALSE(typed.empty());
    const Snapshot s = Now();
    Next();
    WaitForPage(flow::kReviewPage);
    const std::string server = s.Value(kInstanceBox).empty() ? s.Value(kServerBox)
                                                             : s.Value(kServerBox) + "\\" + s.Value(kInstanceBox);
    EXPECT_EQ(Udl(L"VelmoPos"), flow::UdlBytes(server, s.Value(kUserBox), typed, s.Value(kDatabaseBox)))
        << flow::Hex(Udl(L"VelmoPos"));
}

TEST_F(EditTyping, TheReviewBoxesRefuseTypingAsAPlatformReadOnlyBox) {
    ChooseProduct("VelmoPos");
    SetEntry(kInstanceBox, "");
    Next();
    const Snapshot review = ReadPage(flow::kReviewPage);
    const Element reference = rig->Get(kReadOnlyReference);
    for (const Named* name : {&kReviewServerBox, &kReviewDatabaseBox, &kReviewUserBox}) {
        const Element box = review.Get(*name);
        EXPECT_TRUE(box.Has(STATE_SYSTEM_READONLY)) << name->name;
        const std::string shown = box.Value().value_or("");
        gui::ClickControl(box);
        gui::WaitFor([&] { return app->FocusedWindow() == box.Window(); }, name->name + " to take the focus");
        for (const KeySequence& sequence : Sequences()) {
            sequence.keys(app->MainWindow());
            EXPECT_EQ(Settled(box.Window()).text, shown) << name->name << ", " << sequence.name;
        }
        EXPECT_EQ(Now().Value(*name), shown);
    }
    EXPECT_TRUE(reference.Has(STATE_SYSTEM_READONLY));
    gui::ClickControl(reference);
    for (const KeySequence& sequence : Sequences()) {
        sequence.keys(rig->MainWindow());
        EXPECT_EQ(Settled(reference.Window()).text, "PC") << "reference, " << sequence.name;
    }
}

}  // namespace
