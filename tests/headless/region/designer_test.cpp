// The designer tool's work: a layout completed with its pictures in design
// mode, read back and written again unchanged; the program's own forms
// designed again reproduce the generated resources, whose stored region
// data is what the conversion makes of their stored pictures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controls/checkbox/dxfCheckBox.h"
#include "controls/region/Region.h"
#include "platform/core/Classes.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/graphics/Bitmap.h"
#include "platform/headless/Headless.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Registration.h"
#include "tools/designer/Designer.h"

namespace {

namespace fs = std::filesystem;

constexpr TColor kKey = 0xDD8800;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const FormProperty* Find(const FormNode& node, std::string_view path) {
    for (const FormProperty& p : node.properties)
        if (p.path == path) return &p;
    return nullptr;
}
const FormNode* Child(const FormNode& node, std::string_view name) {
    for (const FormNode& c : node.children)
        if (c.name == name) return &c;
    return nullptr;
}

// A picture stored as "X.Data": a 4-byte length, then a BMP file.
std::unique_ptr<TBitmap> StoredPicture(const std::vector<std::uint8_t>& data) {
    EXPECT_GE(data.size(), 4u);
    TMemoryStream bmp(std::vector<std::uint8_t>(data.begin() + 4, data.end()));
    auto b = std::make_unique<TBitmap>();
    b->LoadFromStream(&bmp);
    return b;
}

std::vector<std::uint8_t> Convert(TBitmap* b) {
    void* data = nullptr;
    int n = BitmapToRgnData(b, &data);
    std::vector<std::uint8_t> out(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + n);
    FreeRgnData(data);
    return out;
}

class DesignerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPlatformClasses();
        Register();
        // As the tool does: the settings window's check boxes.
        RegisterClass("TdxfCheckBox", &ComponentFactory<TdxfCheckBox>);
    }
    void SetUp() override {
        headless::Reset();
        char name[] = "/tmp/zimmo-designer-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        Application->DestroyComponents();
        headless::Reset();
    }
    // Saves a 24-bit picture ('k' key, 'r' red, 'g' grey) as a BMP file.
    void SavePicture(const std::string& file, const std::vector<std::string>& rows, TPixelFormat format = pf24bit) {
        TBitmap bmp(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), format);
        for (std::size_t y = 0; y < rows.size(); ++y)
            for (std::size_t x = 0; x < rows[y].size(); ++x)
                bmp.Canvas()->SetPixels(int(x), int(y), rows[y][x] == 'r' ? clRed : rows[y][x] == 'g' ? clGray : kKey);
        bmp.SaveToFile((dir / file).string());
    }
    std::unique_ptr<TBitmap> LoadPicture(const std::string& file) {
        auto b = std::make_unique<TBitmap>();
        b->LoadFromFile((dir / file).string());
        return b;
    }
    fs::path dir;
};

const char* const kLayout =
    "object Form5: TFrameForm\n"
    "  Left = 10\n"
    "  Top = 20\n"
    "  Width = 30\n"
    "  Height = 40\n"
    "  Caption = 'テスト ''窓'''\n"
    "  FormStyle = fsStayOnTop\n"
    "  OnCreate = FormCreate\n"
    "  object RgnList1: TRgnList\n"
    "    OnShowWnd = ListShow\n"
    "  end\n"
    "  object Rgn1: TRgn\n"
    "    Cursor = crHandPoint\n"
    "    PopupMenu = PopupMenu1\n"
    "    OnClick = Rgn1Click\n"
    "  end\n"
    "  object Rgn2: TRgn\n"
    "    Left = 3\n"
    "    Top = 4\n"
    "    Transparent = True\n"
    "  end\n"
    "  object Btn1: TRgnBtn\n"
    "    Left = 7\n"
    "  end\n"
    "  object PopupMenu1: TPopupMenu\n"
    "  end\n"
    "end\n";

const char* const kPictures =
    "# frames\n"
    "Rgn1.RgnBitmap = one.bmp\n"
    "\n"
    "  Rgn2.RgnBitmap =  two.bmp  \n"
    "Btn1.Glyph1 = three.bmp\n"
    "Btn1.Glyph2 = two.bmp\n";

TEST_F(DesignerTest, ADesignedLayoutReadsBackAndWritesTheSameText) {
    SavePicture("one.bmp", {"rrkk", "krrk", "kkkk"});
    SavePicture("two.bmp", {"rrrrr", "kgggk", "kkkkk"}, pf8bit);
    SavePicture("three.bmp", {"kr", "rr"}, pf32bit);
    const std::string text = DesignForm(kLayout, "test.layout", kPictures, dir.string());

    FormNode tree = ParseFormText(text);
    EXPECT_EQ(tree.name, "Form5");
    EXPECT_EQ(tree.className, "TFrameForm");
    struct Case {
        const char* name;
        const char* file;
        int left, top, width, height;
    } cases[] = {
        {"Rgn1", "one.bmp", 0, 0, 4, 3},
        {"Rgn2", "two.bmp", 3, 4, 5, 3},
        {"Btn1", "three.bmp", 7, 0, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FormNode* node = Child(tree, c.name);
        ASSERT_NE(node, nullptr);
        // The designer sizes each control to its picture.
        for (auto [path, value] : {std::pair{"Left", c.left}, {"Top", c.top}, {"Width", c.width}, {"Height", c.height}}) {
            const FormProperty* p = Find(*node, path);
            ASSERT_NE(p, nullptr) << path;
            EXPECT_EQ(p->value.integer, value) << path;
        }
        const FormProperty* data = Find(*node, "RgnData");
        ASSERT_NE(data, nullptr);
        auto picture = LoadPicture(c.file);
        EXPECT_EQ(data->value.bytes, Convert(picture.get()));
    }
    // 32-bit artwork is stored in the format the conversion gave it.
    auto glyph = StoredPicture(Find(*Child(tree, "Btn1"), "Glyph1.Data")->value.bytes);
    EXPECT_EQ(glyph->PixelFormat(), pf24bit);
    auto eight = StoredPicture(Find(*Child(tree, "Rgn2"), "RgnBitmap.Data")->value.bytes);
    EXPECT_EQ(eight->PixelFormat(), pf8bit);

    // Read back at run time and in design mode: the same text comes out.
    for (bool designing : {false, true}) {
        SCOPED_TRACE(designing ? "design mode" : "run time");
        TDesignForm again("TFrameForm");
        again.SetDesigning(designing);
        const long scanned = RgnScannedRows();
        ReadComponentResourceText(&again, text);
        EXPECT_EQ(RgnScannedRows(), scanned);
        EXPECT_EQ(WriteComponentResourceText(&again), text);
        auto* rgn1 = dynamic_cast<TRgn*>(again.FindComponent("Rgn1"));
        ASSERT_NE(rgn1, nullptr);
        EXPECT_EQ(rgn1->RgnHandle() != nullptr, !designing) << "handles only at run time";
    }
}

TEST_F(DesignerTest, BadPictureListsAreReportedByLine) {
    SavePicture("one.bmp", {"rrkk", "krrk", "kkkk"});
    std::vector<std::string> crowded(1, "r");
    for (int i = 1; i < 102; ++i) crowded[0] += "kr";
    crowded.push_back(std::string(crowded[0].size(), 'k'));
    SavePicture("crowded.bmp", crowded);
    struct Case {
        const char* pictures;
        const char* message;  // empty: only the class matters
    } cases[] = {
        {"# one\nRgn1 RgnBitmap one.bmp\n", "pictures(2): 'Component.Property = file.bmp' が必要です"},
        {"Rgn1.RgnBitmap one.bmp\n", "pictures(1): 'Component.Property = file.bmp' が必要です"},
        {"\n\nRgn9.RgnBitmap = one.bmp\n", "pictures(3): コンポーネント Rgn9 がありません"},
        {"Rgn1.Picture = one.bmp\n", "pictures(1): Rgn1 に画像プロパティ Picture がありません"},
        {"Rgn1.Cursor = one.bmp\n", "pictures(1): Rgn1 に画像プロパティ Cursor がありません"},
        {"Rgn1.RgnBitmap = crowded.bmp\n", "ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です"},
        {"Rgn1.RgnBitmap = missing.bmp\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pictures);
        try {
            DesignForm(kLayout, "test.layout", c.pictures, dir.string());
            ADD_FAILURE() << "designed";
        } catch (const Exception& e) {
            if (*c.message) EXPECT_EQ(e.Message, c.message);
        }
    }
}

// ---------------------------------------------------------------- the program's forms
struct ProgramForm {
    const char* className;
    const char* base;  // layout and pictures, from the source directory
    int frameHeight;   // 0: not a character window
};
const ProgramForm kForms[] = {
    {"TForm1", "characters/Mallo", 23},
    {"TForm2", "characters/Tibbet", 23},
    {"TForm3", "characters/Quon", 28},
    {"TForm4", "characters/Oswy", 27},
    {"TStatusForm1", "settings/StatusWindow1", 0},
};

const fs::path kSource = ZIMMO_SOURCE_DIR;
const fs::path kFormsDir = ZIMMO_FORMS_DIR;
const fs::path kArtwork = fs::path(ZIMMO_FORMS_DIR).parent_path() / "resources";

TEST_F(DesignerTest, TheProgramsFormsDesignedAgainAreTheGeneratedOnes) {
    for (const ProgramForm& f : kForms) {
        SCOPED_TRACE(f.className);
        const std::string layout = ReadText(kSource / (std::string(f.base) + ".layout"));
        const std::string pictures = ReadText(kSource / (std::string(f.base) + ".pictures"));
        const std::string generated = ReadText(kFormsDir / (std::string(f.className) + ".form"));
        ASSERT_FALSE(generated.empty());
        EXPECT_EQ(DesignForm(layout, f.base, pictures, kArtwork.string()), generated);
    }
}

TEST_F(DesignerTest, EveryStoredFrameHoldsTheRegionOfItsStoredPicture) {
    for (const ProgramForm& f : kForms) {
        if (!f.frameHeight) continue;
        SCOPED_TRACE(f.className);
        FormNode tree = ParseFormText(ReadText(kFormsDir / (std::string(f.className) + ".form")));
        int frames = 0;
        for (const FormNode& node : tree.children) {
            if (node.className != "TRgn") continue;
            SCOPED_TRACE(node.name);
            ++frames;
            const FormProperty* picture = Find(node, "RgnBitmap.Data");
            const FormProperty* data = Find(node, "RgnData");
            ASSERT_TRUE(picture && data);
            auto bmp = StoredPicture(picture->value.bytes);
            EXPECT_EQ(bmp->Width(), 24);
            EXPECT_EQ(bmp->Height(), f.frameHeight);
            EXPECT_EQ(bmp->PixelFormat(), pf24bit);
            EXPECT_EQ(Find(node, "Width")->value.integer, 24);
            EXPECT_EQ(Find(node, "Height")->value.integer, f.frameHeight);
            EXPECT_EQ(Find(node, "Left")->value.integer, 0);
            EXPECT_EQ(Find(node, "Top")->value.integer, 0);
            const std::vector<std::uint8_t> block = Convert(bmp.get());
            EXPECT_EQ(data->value.bytes, block);
            EXPECT_GT(block.size(), 32u) << "a frame with no opaque pixel";
        }
        EXPECT_EQ(frames, 12);
    }
}

TEST_F(DesignerTest, LoadingTheCharacterFormsScansNoPixel) {
    for (const ProgramForm& f : kForms) {
        if (!f.frameHeight) continue;
        SCOPED_TRACE(f.className);
        const std::string text = ReadText(kFormsDir / (std::string(f.className) + ".form"));
        TDesignForm form(f.className);
        const long scanned = RgnScannedRows();
        ReadComponentResourceText(&form, text, f.className);
        EXPECT_EQ(RgnScannedRows(), scanned);
        int frames = 0;
        for (int i = 0; i < form.ComponentCount(); ++i) {
            auto* rgn = dynamic_cast<TRgn*>(form.Components(i));
            if (!rgn) continue;
            SCOPED_TRACE(rgn->Name());
            ++frames;
            // The handle is the stored block itself: the frame stands at (0, 0) in its own size.
            ASSERT_NE(rgn->RgnHandle(), nullptr);
            std::vector<std::uint8_t> handle(win::GetRegionData(rgn->RgnHandle(), 0, nullptr));
            win::GetRegionData(rgn->RgnHandle(), static_cast<win::DWORD>(handle.size()), handle.data());
            EXPECT_EQ(handle, std::vector<std::uint8_t>(rgn->RgnData(), rgn->RgnData() + rgn->RgnDataLength()));
        }
        EXPECT_EQ(frames, 12);
    }
}

}  // namespace
