// The real window description, loaded as the program loads it: every control with its class,
// parent, geometry, texts and initial state; the pictures' bytes; a capture that reads back as
// the same window; and no GDI or USER objects left behind by page switches.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/Main.h"
#include "framework/Description.h"
#include "framework/win/Application.h"
#include "support/ResourceCounts.h"

namespace {

fw::Application& App() {
    static fw::Application application;
    return application;
}

fw::Bytes ResourceBytes(const char* name) {
    HRSRC resource = ::FindResourceA(nullptr, name, MAKEINTRESOURCEA(10));
    if (!resource) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(nullptr, resource)));
    return fw::Bytes(bytes, bytes + ::SizeofResource(nullptr, resource));
}

class WindowDescription : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        form.LoadDescription();
    }
    template <typename T = fw::TControl>
    T& Get(const char* name) {
        auto* control = dynamic_cast<T*>(form.FindComponent(name));
        if (!control) throw std::runtime_error(std::string("no control ") + name);
        return *control;
    }
    app::TfrmMain form;
};

struct Placement {
    const char* name;
    const char* className;
    const char* parent;
    int left, top, width, height;
};

// Controls whose size is fixed by the description (auto-sized labels are left out).
const Placement kPlacements[] = {
    {"AdvSmoothPanel1", "TAdvSmoothPanel", "frmMain", 0, 0, 580, 347},
    {"Image1", "TImage", "AdvSmoothPanel1", 10, 39, 200, 77},
    {"Image3", "TImage", "AdvSmoothPanel1", 47, 156, 128, 128},
    {"AdvPageControl1", "TAdvPageControl", "AdvSmoothPanel1", 222, 44, 341, 261},
    {"btCancel", "TAdvGlassButton", "AdvSmoothPanel1", 504, 311, 73, 29},
    {"Seguinte", "TAdvGlassButton", "AdvSmoothPanel1", 409, 311, 81, 29},
    {"Anterior", "TAdvGlassButton", "AdvSmoothPanel1", 322, 311, 81, 29},
    {"Label1", "TLabel", "AdvTabSheet1", 3, 10, 311, 39},
    {"GroupBox2", "TGroupBox", "AdvTabSheet1", 16, 55, 297, 98},
    {"velmocafe", "TRadioButton", "GroupBox2", 40, 32, 113, 17},
    {"velmofact", "TRadioButton", "GroupBox2", 159, 32, 113, 17},
    {"velmopos", "TRadioButton", "GroupBox2", 40, 62, 113, 17},
    {"velmorest", "TRadioButton", "GroupBox2", 159, 62, 113, 17},
    {"Label10", "TLabel", "AdvTabSheet5", 3, 3, 308, 97},
    {"servidor", "TEdit", "AdvTabSheet5", 83, 99, 239, 21},
    {"instancia", "TEdit", "AdvTabSheet5", 83, 126, 239, 21},
    {"basedados", "TEdit", "AdvTabSheet5", 83, 153, 239, 21},
    {"utilizador", "TEdit", "AdvTabSheet5", 83, 180, 191, 21},
    {"password", "TEdit", "AdvTabSheet5", 83, 207, 191, 23},
    {"Label6", "TLabel", "AdvTabSheet6", 3, 10, 311, 39},
    {"ck_basedados", "TEdit", "AdvTabSheet6", 79, 55, 239, 21},
    {"ck_servidor", "TEdit", "AdvTabSheet6", 79, 82, 239, 21},
    {"ck_utilizador", "TEdit", "AdvTabSheet6", 79, 109, 239, 21},
    {"GroupBox1", "TGroupBox", "AdvTabSheet6", 3, 136, 327, 94},
    {"Normal", "TRadioButton", "GroupBox1", 8, 25, 49, 17},
    {"cDemo", "TCheckBox", "GroupBox1", 119, 25, 151, 17},
    {"rCloud", "TRadioButton", "GroupBox1", 8, 56, 97, 17},
    {"cRecuperacao", "TCheckBox", "GroupBox1", 119, 56, 122, 17},
    {"Label20", "TLabel", "AdvTabSheet7", 3, 81, 308, 17},
    {"DBProgress", "TAdvProgressBar", "AdvTabSheet7", 3, 104, 327, 18},
    {"Label21", "TLabel", "AdvTabSheet8", 3, 10, 311, 23},
    {"Label22", "TLabel", "AdvTabSheet8", 3, 38, 311, 86},
    {"Label23", "TLabel", "AdvTabSheet8", 3, 131, 308, 46},
};

TEST_F(WindowDescription, EveryControlHasItsClassParentAndGeometry) {
    for (const Placement& p : kPlacements) {
        SCOPED_TRACE(p.name);
        auto& control = Get(p.name);
        EXPECT_EQ(control.Class().name, p.className);
        ASSERT_NE(control.Parent(), nullptr);
        EXPECT_EQ(control.Parent()->Name(), p.parent);
        EXPECT_EQ(control.Left(), p.left);
        EXPECT_EQ(control.Top(), p.top);
        EXPECT_EQ(control.Width(), p.width);
        EXPECT_EQ(control.Height(), p.height);
    }
    EXPECT_EQ(form.ClientWidth(), 580);
    EXPECT_EQ(form.ClientHeight(), 347);
    EXPECT_EQ(form.Caption(), "Cria\xE7\xE3o de Base de Dados (v 1.1)");
}

TEST_F(WindowDescription, PagesComeInDesignOrderWithTheirColours) {
    auto& pages = Get<ctl::TAdvPageControl>("AdvPageControl1");
    ASSERT_EQ(pages.PageCount(), 5);
    const std::pair<const char*, fw::TColor> expected[] = {{"AdvTabSheet1", fw::clBtnFace},
                                                          {"AdvTabSheet5", 16053492},
                                                          {"AdvTabSheet6", 16053492},
                                                          {"AdvTabSheet7", 16053492},
                                                          {"AdvTabSheet8", 16053492}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages.Page(i)->Name(), expected[i].first);
        EXPECT_EQ(pages.Page(i)->Color(), expected[i].second) << expected[i].first;
        EXPECT_EQ(pages.Page(i)->Caption(), std::to_string(i + 1));
        EXPECT_EQ(pages.Page(i)->ColorTo(), fw::clNone);
    }
    EXPECT_EQ(pages.ActivePageIndex(), 0) << "the design keeps the product page active";
    EXPECT_EQ(pages.TabBackGroundColor(), 1644825u);
    EXPECT_EQ(pages.TabMargin().RightMargin, 0);
    EXPECT_EQ(pages.TabOverlap(), 0);
}

TEST_F(WindowDescription, InitialTextsAndStates) {
    EXPECT_EQ(Get<fw::TEdit>("servidor").Text(), "localhost");
    EXPECT_EQ(Get<fw::TEdit>("instancia").Text(), "MARLOVEXSQL");
    EXPECT_EQ(Get<fw::TEdit>("basedados").Text(), "");
    EXPECT_EQ(Get<fw::TEdit>("utilizador").Text(), "sa");
    EXPECT_EQ(Get<fw::TEdit>("password").Text(), "QX#318604275");
    EXPECT_EQ(Get<fw::TEdit>("password").PasswordChar(), "*");
    EXPECT_EQ(Get<fw::TEdit>("password").Font().Name(), "Fixedsys");
    for (const char* review : {"ck_servidor", "ck_basedados", "ck_utilizador"}) {
        EXPECT_TRUE(Get<fw::TEdit>(review).ReadOnly()) << review;
        EXPECT_EQ(Get<fw::TEdit>(review).Color(), fw::clBtnFace) << review;
    }
    for (const char* product : {"velmocafe", "velmofact", "velmopos", "velmorest"}) {
        EXPECT_FALSE(Get<fw::TRadioButton>(product).Checked()) << product;
        EXPECT_EQ(Get<fw::TRadioButton>(product).Font().Style(), fw::fsBold) << product;
    }
    EXPECT_TRUE(Get<fw::TRadioButton>("Normal").Checked());
    EXPECT_TRUE(Get<fw::TRadioButton>("Normal").TabStop());
    EXPECT_FALSE(Get<fw::TRadioButton>("rCloud").Checked());
    EXPECT_TRUE(Get<fw::TRadioButton>("rCloud").Enabled());
    EXPECT_FALSE(Get<fw::TCheckBox>("cDemo").Checked());
    EXPECT_TRUE(Get<fw::TCheckBox>("cDemo").Enabled());
    EXPECT_FALSE(Get<fw::TCheckBox>("cRecuperacao").Enabled());
    EXPECT_FALSE(Get("Anterior").Enabled());
    EXPECT_TRUE(Get("Seguinte").Enabled());
    EXPECT_FALSE(Get("Label23").Visible());
    EXPECT_NE(Get("Label22").Caption().find("configurada  internamente"), std::string::npos) << "two blanks";
    EXPECT_NE(Get("Label10").Caption().find("\"Seguinte\".\r\n\r\nPor favor"), std::string::npos);
    EXPECT_TRUE(form.software.empty()) << "FormCreate empties the product name";
    for (const char* name : {"csy", "cmd", "q_Loja", "q_num", "q_fullsync"}) {
        EXPECT_NE(form.FindComponent(name), nullptr) << name;
    }
}

TEST_F(WindowDescription, TabOrderOfEachContainer) {
    const std::pair<const char*, std::vector<std::string>> orders[] = {
        {"AdvSmoothPanel1", {"AdvPageControl1", "btCancel", "Seguinte", "Anterior"}},
        {"AdvTabSheet5", {"servidor", "instancia", "basedados", "utilizador", "password"}},
        {"AdvTabSheet6", {"ck_servidor", "ck_basedados", "ck_utilizador", "GroupBox1"}},
        {"GroupBox1", {"Normal", "cDemo", "rCloud", "cRecuperacao"}},
        {"GroupBox2", {"velmocafe", "velmofact", "velmopos", "velmorest"}},
    };
    for (const auto& [container, expected] : orders) {
        std::vector<std::string> names;
        for (fw::TWinControl* child : Get<fw::TWinControl>(container).TabList()) names.push_back(child->Name());
        EXPECT_EQ(names, expected) << container;
    }
}

// A value as the description's reader sees it, by its published path ("Fill.Color"): what the
// window's look depends on is read back through the same tables that applied it.
fw::Value Published(fw::Persistent& object, std::string_view path) {
    const std::size_t dot = path.find('.');
    const fw::PropertyInfo* p = object.Class().FindProperty(path.substr(0, dot));
    if (!p) throw std::runtime_error("no property " + std::string(path));
    if (dot == std::string_view::npos) {
        fw::Value v = p->get(object);
        // Enumerations compare by member name.
        if (p->type == fw::PropertyType::Enum && std::holds_alternative<std::int64_t>(v)) {
            return std::string(p->enumInfo->members.at(static_cast<std::size_t>(std::get<std::int64_t>(v))));
        }
        return v;
    }
    return Published(*p->object(object), path.substr(dot + 1));
}

struct Setting {
    const char* path;
    fw::Value value;
};
fw::Value Colour(fw::TColor c) { return std::int64_t{c}; }
fw::Value Int(int v) { return std::int64_t{v}; }
fw::Value Member(const char* name) { return std::string(name); }

// The designed look: the three glass buttons alike, the background panel and the progress bar.
TEST_F(WindowDescription, TheWindowsLookComesFromTheDescription) {
    const Setting button[] = {
        {"BackColor", Colour(fw::clBlack)},       {"ForeColor", Colour(fw::clWhite)},
        {"GlowColor", Colour(16760205)},          {"InnerBorderColor", Colour(fw::clBlack)},
        {"OuterBorderColor", Colour(7105644)},    {"ShineColor", Colour(fw::clWhite)},
        {"CornerRadius", Int(12)},                {"ParentFont", false},
        {"Font.Name", std::string("Tahoma")},     {"Font.Height", Int(-11)},
        {"Font.Style", Int(0)},                   {"Font.Color", Colour(fw::clWhite)},
        {"ShowFocusRect", false},                 {"AntiAlias", Member("aaClearType")},
        {"Version", std::string("1.3.0.0")},
    };
    for (const char* name : {"btCancel", "Seguinte", "Anterior"}) {
        for (const Setting& s : button) EXPECT_EQ(Published(Get(name), s.path), s.value) << name << "." << s.path;
    }
    const Setting panel[] = {
        {"Align", Member("alClient")},
        {"Fill.Color", Colour(fw::clBlack)},
        {"Fill.ColorTo", Colour(3355443)},
        {"Fill.ColorMirror", Colour(fw::clNone)},
        {"Fill.ColorMirrorTo", Colour(fw::clNone)},
        {"Fill.GradientType", Member("gtVertical")},
        {"Fill.GradientMirrorType", Member("gtVertical")},
        {"Fill.Opacity", Int(255)},
        {"Fill.OpacityTo", Int(178)},
        {"Fill.BorderColor", Colour(fw::clGray)},
        {"Fill.BorderOpacity", Int(0)},
        {"Fill.BorderWidth", Int(1)},
        {"Fill.Rounding", Int(10)},
        {"Fill.RoundingType", Member("rtNone")},
        {"Fill.ShadowColor", Colour(fw::clBlack)},
        {"Fill.ShadowOffset", Int(0)},
        {"Fill.Glow", Member("gmNone")},
        {"Caption.Text", std::string(" ")},
        {"Caption.Location", Member("plCustom")},
        {"Caption.Left", Int(5)},
        {"Caption.Top", Int(12)},
        {"Caption.Font.Name", std::string("Segoe UI")},
        {"Caption.Font.Height", Int(-19)},
        {"Caption.Font.Style", Int(0)},
        {"Caption.Font.Color", Colour(fw::clWindowText)},
        {"Caption.ColorStart", Colour(0xB0721C)},
        {"Caption.ColorEnd", Colour(fw::clWhite)},
        {"Caption.LineColor", Colour(fw::clBlack)},
        {"Caption.Line", false},
        {"Caption.HTMLText", std::string("<IMG src=\"1\">")},
        {"Caption.HTMLLocation", Member("plCenterCenter")},
        {"Caption.HTMLFont.Name", std::string("Tahoma")},
        {"Caption.HTMLFont.Height", Int(-11)},
        {"Caption.HTMLFont.Style", Int(0)},
        {"Caption.HTMLFont.Color", Colour(fw::clWindowText)},
    };
    for (const Setting& s : panel) EXPECT_EQ(Published(Get("AdvSmoothPanel1"), s.path), s.value) << s.path;
    EXPECT_EQ(Published(Get("AdvSmoothPanel1"), "PictureContainer"), fw::Value{fw::Identifier{""}});

    std::vector<Setting> bar = {
        {"Infinite", true},         {"Stacked", true},           {"ShowBorder", true},
        {"ShowPercentage", false},  {"ShowPosition", false},     {"Position", Int(0)},
        {"Level1Perc", Int(70)},    {"Level2Perc", Int(90)},     {"Animated", false},
        {"Font.Name", std::string("Verdana")}, {"Font.Height", Int(-13)}, {"Font.Style", Int(0)},
        {"Font.Color", Colour(fw::clWindowText)},
    };
    for (const char* level : {"Level0Color", "Level1Color", "Level2Color", "Level3Color"}) {
        bar.push_back({level, Colour(16747287)});
    }
    for (const char* level : {"Level0ColorTo", "Level1ColorTo", "Level2ColorTo", "Level3ColorTo"}) {
        bar.push_back({level, Colour(16762250)});
    }
    for (const Setting& s : bar) EXPECT_EQ(Published(Get("DBProgress"), s.path), s.value) << s.path;
}

TEST_F(WindowDescription, PicturesHoldTheirFilesBytesUnchanged) {
    EXPECT_EQ(Get<fw::TImage>("Image1").Picture().Data(), ResourceBytes("LOGO_PNG"));
    EXPECT_EQ(Get<fw::TImage>("Image3").Picture().Data(), ResourceBytes("DATABASE_PNG"));
    EXPECT_EQ(Get<fw::TImage>("Image1").Picture().Width(), 200);
    EXPECT_EQ(Get<fw::TImage>("Image1").Picture().Height(), 75);
    EXPECT_EQ(Get<fw::TImage>("Image3").Picture().Width(), 128);
}

TEST_F(WindowDescription, ACaptureReadsBackAsTheSameWindow) {
    const std::string written = fw::WriteDescription(fw::CaptureDescription(form));
    app::TfrmMain copy;
    copy.LoadDescription(written, "captured");
    EXPECT_EQ(fw::WriteDescription(fw::CaptureDescription(copy)), written);
}

// The windows of the controls on the pages: made for each page up to `lastMade`, none beyond.
void ExpectWindowsOfPagesUpTo(app::TfrmMain& form, int lastMade) {
    auto& pages = *form.AdvPageControl1;
    // The page of each windowed control on a page; -1 for one outside the pages.
    auto pageOf = [&](const fw::TControl& control) {
        for (const fw::TControl* c = &control; c; c = c->Parent())
            for (int page = 0; page < pages.PageCount(); ++page)
                if (c == pages.Page(page)) return page;
        return -1;
    };
    int onPages = 0;
    for (const auto& component : form.Components()) {
        const auto* control = dynamic_cast<const fw::TWinControl*>(component.get());
        if (!control) continue;
        const int page = pageOf(*control);
        if (page >= 0) ++onPages;
        EXPECT_EQ(control->HandleAllocated(), page <= lastMade)
            << control->Name() << " on page " << page << ", pages up to " << lastMade << " made";
    }
    EXPECT_GT(onPages, 20);
}

// The start makes the windows of what the first page shows only: a page's controls get theirs when
// the page first shows, in the wizard's order, with what the start set on them meanwhile.
TEST_F(WindowDescription, APagesControlsGetTheirWindowsWhenThePageFirstShows) {
    App().SetMainForm(&form);
    ::SetCursorPos(0, 0);
    form.Show();
    auto& pages = Get<ctl::TAdvPageControl>("AdvPageControl1");
    ExpectWindowsOfPagesUpTo(form, 0);
    for (int page = 1; page < pages.PageCount(); ++page) {
        pages.SelectPage(page);
        ExpectWindowsOfPagesUpTo(form, page);
        EXPECT_TRUE(::IsWindowVisible(pages.Page(page)->Handle()));
        EXPECT_FALSE(::IsWindowVisible(pages.Page(page - 1)->Handle()));
    }
    char name[256] = {};
    DWORD size = 256;
    ASSERT_TRUE(::GetComputerNameA(name, &size));
    wchar_t shown[256] = {};
    ::GetWindowTextW(Get<fw::TEdit>("servidor").Handle(), shown, 256);
    EXPECT_EQ(fw::Narrow(shown), name) << "the computer's name, set before the server box had a window";
    App().SetMainForm(nullptr);
}

// Once the window has painted, the loop's idle turns make the next pages' windows ahead, hidden,
// one page per turn in the wizard's order; then every page shows with its controls in place.
TEST_F(WindowDescription, IdleTurnsMakeTheNextPagesWindowsAheadOnePerTurn) {
    App().SetMainForm(&form);
    ::SetCursorPos(0, 0);
    form.Show();
    auto& pages = Get<ctl::TAdvPageControl>("AdvPageControl1");
    for (int page = 1; page < pages.PageCount(); ++page) {
        ASSERT_TRUE(App().IdleTurn()) << "page " << page;
        ExpectWindowsOfPagesUpTo(form, page);
        EXPECT_FALSE(::IsWindowVisible(pages.Page(page)->Handle()));
    }
    EXPECT_FALSE(App().IdleTurn()) << "nothing beyond the pages";
    for (int page = 1; page < pages.PageCount(); ++page) {
        pages.SelectPage(page);
        EXPECT_TRUE(::IsWindowVisible(pages.Page(page)->Handle()));
        EXPECT_FALSE(::IsWindowVisible(pages.Page(page - 1)->Handle()));
        for (const fw::TWinControl* control : pages.Page(page)->TabList())
            EXPECT_TRUE(::IsWindowVisible(control->Handle())) << control->Name() << " on page " << page;
    }
    App().SetMainForm(nullptr);
}

TEST_F(WindowDescription, PageSwitchesLeaveNoGdiOrUserObjectsBehind) {
    App().SetMainForm(&form);
    // The pointer away from the window: a glass button under it would start its hover timer,
    // whose message window is made on first use, between the counts.
    ::SetCursorPos(0, 0);
    form.Show();
    auto& pages = Get<ctl::TAdvPageControl>("AdvPageControl1");
    auto pump = [] {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    };
    auto switchAll = [&] {
        for (int page = 0; page < pages.PageCount(); ++page) {
            pages.SelectPage(page);
            ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            pump();
        }
    };
    switchAll();
    const testsupport::Counts first = testsupport::Measure();
    ASSERT_GT(first.gdi, 0u) << "the GDI objects must be countable";
    ASSERT_GT(first.user, 0u);
    for (int round = 0; round < 20; ++round) switchAll();  // 100 switches and repaints
    const testsupport::Counts last = testsupport::Measure();
    EXPECT_EQ(last.gdi, first.gdi) << last.gdiKinds;
    EXPECT_EQ(last.user, first.user);
    EXPECT_EQ(last.handles, first.handles);
    App().SetMainForm(nullptr);
}

}  // namespace
