// Form resources: the text format (parse, format), binding the parsed tree
// to components (properties of every kind, stored data of one's own,
// events by name, references resolved after reading), the errors of bad
// input with their lines, and the ownership rules of components.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Component.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FormResource.h"
#include "platform/core/List.h"

namespace {

// ---------------------------------------------------------------- probes
class TProbeSub : public TPersistent {
public:
    const char* ClassName() const override { return "TProbeSub"; }
    const PropList& Properties() const override {
        static const PropList list = {
            props::Int<TProbeSub>("Size", 0, [](TProbeSub* s) { return s->Size; }, [](TProbeSub* s, std::int64_t v) { s->Size = int(v); }),
        };
        return list;
    }
    int Size = 0;
};

std::vector<std::string> g_log;  // destruction and Loaded, in order

// One property of every kind, a sub-object, stored bytes of its own, and a
// parent for nesting.
class TProbe : public TComponent {
public:
    explicit TProbe(TComponent* owner) : TComponent(owner), Sub(std::make_unique<TProbeSub>()) {}
    ~TProbe() override { g_log.push_back("~" + Name()); }
    const char* ClassName() const override { return "TProbe"; }
    const PropList& Properties() const override {
        using C = TProbe;
        static const EnumNames modes{{"mdOne", "mdTwo", "mdThree"}};
        static const EnumNames bits{{"bA", "bB", "bC"}};
        static const PropList list = ExtendProps(TComponent::Properties(), {
            props::Int<C>("Number", 5, [](C* c) { return c->Number; }, [](C* c, std::int64_t v) { c->Number = v; }),
            props::Bool<C>("Flag", true, [](C* c) { return c->Flag; }, [](C* c, bool v) { c->Flag = v; }),
            props::Int<C>("Mode", 0, [](C* c) { return c->Mode; }, [](C* c, std::int64_t v) { c->Mode = int(v); }, PropKind::Enum, &modes),
            props::Int<C>("Bits", 0, [](C* c) { return c->Bits; }, [](C* c, std::int64_t v) { c->Bits = v; }, PropKind::Set, &bits),
            props::Int<C>("Colour", clBtnFaceValue, [](C* c) { return c->Colour; }, [](C* c, std::int64_t v) { c->Colour = v; }, PropKind::Color),
            props::Int<C>("Pointer", 0, [](C* c) { return c->Pointer; }, [](C* c, std::int64_t v) { c->Pointer = v; }, PropKind::Cursor),
            props::Str<C>("Text", [](C* c) { return c->Text; }, [](C* c, const std::string& v) { c->Text = v; }),
            props::Event<C>("OnPing", &C::OnPing),
            props::Ref<C, TProbe>("Ref", [](C* c) { return c->Ref; }, [](C* c, TProbe* r) { c->Ref = r; }),
            props::Obj<C>("Sub", [](C* c) -> TPersistent* { return c->Sub.get(); }),
        });
        return list;
    }
    void DefineProperties(TFiler* filer) override {
        filer->DefineBinaryProperty(
            "Blob", [this](TStream* s) { Blob.resize(std::size_t(s->Size())); s->ReadBuffer(Blob.data(), s->Size()); },
            [this](TStream* s) { s->WriteBuffer(Blob.data(), std::int64_t(Blob.size())); }, !Blob.empty());
    }
    void Loaded() override {
        RefAtLoaded = Ref;
        LoadingAtLoaded = Loading();
        TComponent::Loaded();
        g_log.push_back("Loaded " + Name());
    }
    void SetParentComponent(TComponent* p) override { Parent = p; }
    TComponent* GetParentComponent() const override { return Parent; }
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opRemove && c == Ref) Ref = nullptr;
    }

    static constexpr std::int64_t clBtnFaceValue = -0x80000000LL + 15;
    std::int64_t Number = 5;
    bool Flag = true;
    int Mode = 0;
    std::int64_t Bits = 0;
    std::int64_t Colour = clBtnFaceValue;
    std::int64_t Pointer = 0;
    std::string Text;
    TNotifyEvent OnPing;
    TProbe* Ref = nullptr;       // not owned
    std::unique_ptr<TProbeSub> Sub;  // owned
    std::vector<std::uint8_t> Blob;
    TComponent* Parent = nullptr;  // not owned
    TProbe* RefAtLoaded = nullptr;
    bool LoadingAtLoaded = false;
};

// The root, with handler methods found by name.
class TProbeRoot : public TComponent {
public:
    TProbeRoot() : TComponent(nullptr) {}
    const char* ClassName() const override { return "TProbeRoot"; }
    std::function<void(TObject*)> FindMethod(const std::string& name) const override {
        auto* self = const_cast<TProbeRoot*>(this);
        if (name == "Ping") return [self](TObject* sender) { self->pings.push_back(sender); };
        if (name == "Pong") return [self](TObject*) { ++self->pongs; };
        return {};
    }
    std::vector<TObject*> pings;
    int pongs = 0;
};

class FormResourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterClass("TProbe", &ComponentFactory<TProbe>); }
    void SetUp() override { g_log.clear(); }
    TProbe* Probe(TComponent& root, const char* name) {
        auto* p = dynamic_cast<TProbe*>(root.FindComponent(name));
        EXPECT_NE(p, nullptr) << name;
        return p;
    }
};

::testing::AssertionResult SameValue(const FormValue& a, const FormValue& b) {
    if (a.kind != b.kind) return ::testing::AssertionFailure() << "kind " << int(a.kind) << " vs " << int(b.kind);
    if (a.integer != b.integer || a.text != b.text || a.set != b.set || a.bytes != b.bytes)
        return ::testing::AssertionFailure() << "values differ";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameTree(const FormNode& a, const FormNode& b) {
    if (a.name != b.name || a.className != b.className)
        return ::testing::AssertionFailure() << a.name << ": " << a.className << " vs " << b.name << ": " << b.className;
    if (a.properties.size() != b.properties.size() || a.children.size() != b.children.size())
        return ::testing::AssertionFailure() << a.name << ": counts differ";
    for (std::size_t i = 0; i < a.properties.size(); ++i) {
        if (a.properties[i].path != b.properties[i].path) return ::testing::AssertionFailure() << a.properties[i].path;
        if (auto r = SameValue(a.properties[i].value, b.properties[i].value); !r) return r << " in " << a.properties[i].path;
    }
    for (std::size_t i = 0; i < a.children.size(); ++i)
        if (auto r = SameTree(a.children[i], b.children[i]); !r) return r;
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------- the text format
TEST_F(FormResourceTest, EveryValueKindParsesAndFormatsBack) {
    using K = FormValue::Kind;
    std::vector<std::uint8_t> hundred;
    std::string hundredHex = "{";
    for (int i = 0; i < 100; ++i) {
        hundred.push_back(static_cast<std::uint8_t>(i * 7));
        static const char* d = "0123456789abcdef";
        hundredHex += d[(i * 7 & 0xFF) >> 4];
        hundredHex += d[i * 7 & 15];
        if (i % 10 == 9) hundredHex += "\n    ";
    }
    hundredHex += "}";
    struct Case {
        std::string text;
        FormValue expected;
    } cases[] = {
        {"42", {K::Integer, 42}},
        {"-7", {K::Integer, -7}},
        {"$FF", {K::Integer, 255}},
        {"$7FFFFFFF", {K::Integer, 0x7FFFFFFF}},
        {"$80000000", {K::Integer, -2147483648LL}},
        {"4294967295", {K::Integer, 4294967295LL}},
        {"True", {K::Ident, 0, "True"}},
        {"clBtnFace", {K::Ident, 0, "clBtnFace"}},
        {"''", {K::String, 0, ""}},
        {"'it''s'", {K::String, 0, "it's"}},
        {"'日本' + '語'", {K::String, 0, "日本語"}},
        {"'a' +\n    'b'", {K::String, 0, "ab"}},
        {"[]", {K::Set}},
        {"[fsBold, fsItalic]", {K::Set, 0, "", {"fsBold", "fsItalic"}}},
        {"[ bA ,bB]", {K::Set, 0, "", {"bA", "bB"}}},
        {"{}", {K::Binary}},
        {"{0aFf\n  10}", {K::Binary, 0, "", {}, {0x0A, 0xFF, 0x10}}},
        {hundredHex, {K::Binary, 0, "", {}, hundred}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = "object A: TB\n  Sub.Size = 1\n  P = " + c.text + "\n  Q = 0\nend\n";
        FormNode node = ParseFormText(text);
        ASSERT_EQ(node.properties.size(), 3u);
        EXPECT_EQ(node.properties[0].path, "Sub.Size");
        EXPECT_EQ(node.properties[1].path, "P");
        EXPECT_EQ(node.properties[1].line, 3);
        EXPECT_TRUE(SameValue(node.properties[1].value, c.expected));
        // Formatting is stable and parses to the same tree.
        const std::string formatted = FormatFormText(node);
        FormNode again = ParseFormText(formatted);
        EXPECT_TRUE(SameTree(again, node));
        EXPECT_EQ(FormatFormText(again), formatted);
    }
}

TEST_F(FormResourceTest, NestedObjectsKeepTheirOrderAndLines) {
    const std::string text =
        "object Root: TProbeRoot\n"
        "  object A: TProbe\n"
        "    object B: TProbe\n"
        "    end\n"
        "  end\n"
        "\n"
        "  object C: TProbe\n"
        "  end\n"
        "end";
    FormNode node = ParseFormText(text);
    ASSERT_EQ(node.children.size(), 2u);
    EXPECT_EQ(node.children[0].name, "A");
    EXPECT_EQ(node.children[0].children.at(0).name, "B");
    EXPECT_EQ(node.children[0].children.at(0).line, 3);
    EXPECT_EQ(node.children[1].name, "C");
    EXPECT_EQ(node.children[1].line, 7);
    EXPECT_TRUE(SameTree(ParseFormText(FormatFormText(node)), node));
}

TEST_F(FormResourceTest, SyntaxErrorsNameTheLineAndWhatWasExpected) {
    std::string deep;
    for (int i = 0; i < 70; ++i) deep += "object O" + std::to_string(i) + ": T\n";
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {"", "form(1): 'object' が必要ですが テキストの終わり があります"},
        {"\n\nobjet A: B\nend", "form(3): 'object' が必要ですが 'o' があります"},
        {"object A TB\nend", "form(1): ':' が必要ですが 'T' があります"},
        {"object 1A: TB\nend", "form(1): オブジェクト名 が必要ですが '1' があります"},
        {"object A:\n", "form(2): クラス名 が必要ですが テキストの終わり があります"},
        {"object A: TB\n  Left = 1\n", "form(3): プロパティ名か 'end' が必要ですが テキストの終わり があります"},
        {"object A: TB\n  Left 1\nend", "form(2): '=' が必要ですが '1' があります"},
        {"object A: TB\n  Left =\n", "form(3): 値 が必要ですが テキストの終わり があります"},
        {"object A: TB\n  Left = ?\nend", "form(2): 値 が必要ですが '?' があります"},
        {"object A: TB\n  Left = 99999999999\nend", "form(2): 整数 が必要ですが '\n' があります"},
        {"object A: TB\n  Left = $\nend", "form(2): 整数 が必要ですが '\n' があります"},
        {"object A: TB\n  Caption = 'abc\nend", "form(2): 文字列の終わりの ''' が必要ですが '\n' があります"},
        {"object A: TB\n  Caption = 'a' + 5\nend", "form(2): 文字列 が必要ですが '5' があります"},
        {"object A: TB\n  S = [a,]\nend", "form(2): 集合の要素 が必要ですが ']' があります"},
        {"object A: TB\n  S = [a b]\nend", "form(2): ']' が必要ですが 'b' があります"},
        {"object A: TB\n  D = {\n  0G}\nend", "form(3): 16 進数字か '}' が必要ですが 'G' があります"},
        {"object A: TB\n  D = {ABC}\nend", "form(2): 偶数個の 16 進数字 が必要ですが '\n' があります"},
        {"object A: TB\n  D = {AB\n", "form(3): '}' が必要ですが テキストの終わり があります"},
        {"object A: TB\nend\nend", "form(3): テキストの終わり が必要ですが 'e' があります"},
        {deep, "form(66): 浅い入れ子 が必要ですが 'o' があります"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        try {
            ParseFormText(c.text);
            ADD_FAILURE() << "parsed";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
    // The resource's name leads the message.
    try {
        ParseFormText("", "TForm1");
        ADD_FAILURE() << "parsed";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message.rfind("TForm1(1): ", 0), 0u) << e.Message;
    }
}

// ---------------------------------------------------------------- binding
TEST_F(FormResourceTest, ReadsEveryKindAndWritesOnlyWhatDiffersFromTheDefault) {
    const std::string text =
        "object Root: TProbeRoot\n"
        "  object Probe1: TProbe\n"
        "    Tag = 3\n"
        "    Number = -12\n"
        "    Flag = False\n"
        "    Mode = mdThree\n"
        "    Bits = [bA, bC]\n"
        "    Colour = clRed\n"
        "    Pointer = crHandPoint\n"
        "    Text = '窓 ''1'''\n"
        "    OnPing = Ping\n"
        "    Ref = Probe2\n"
        "    Sub.Size = 9\n"
        "    Blob = {\n      DEADBEEF}\n"
        "  end\n"
        "  object Probe2: TProbe\n"
        "    Colour = 1193046\n"
        "    Pointer = -99\n"
        "  end\n"
        "end\n";
    TProbeRoot root;
    ReadComponentResourceText(&root, text);
    TProbe* p = Probe(root, "Probe1");
    TProbe* q = Probe(root, "Probe2");
    ASSERT_TRUE(p && q);
    EXPECT_EQ(p->Tag, 3);
    EXPECT_EQ(p->Number, -12);
    EXPECT_FALSE(p->Flag);
    EXPECT_EQ(p->Mode, 2);
    EXPECT_EQ(p->Bits, 0b101);
    EXPECT_EQ(p->Colour, 0x0000FF);
    EXPECT_EQ(p->Pointer, -21);
    EXPECT_EQ(p->Text, "窓 '1'");
    EXPECT_EQ(p->Ref, q);
    EXPECT_EQ(p->Sub->Size, 9);
    EXPECT_EQ(p->Blob, (std::vector<std::uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(q->Colour, 0x123456);
    EXPECT_EQ(q->Pointer, -99);
    // Colours and cursors with a name are written by name, others as numbers.
    EXPECT_EQ(WriteComponentResourceText(&root), text);

    // A probe at its defaults writes nothing.
    TProbeRoot fresh;
    auto* bare = new TProbe(&fresh);
    bare->SetName("Bare");
    EXPECT_EQ(WriteComponentResourceText(&fresh), "object : TProbeRoot\n  object Bare: TProbe\n  end\nend\n");
}

TEST_F(FormResourceTest, EventsAreBoundToTheRootsMethodsByName) {
    TProbeRoot root;
    ReadComponentResourceText(&root,
                              "object Root: TProbeRoot\n"
                              "  object A: TProbe\n    OnPing = Ping\n  end\n"
                              "  object B: TProbe\n    OnPing = Pong\n  end\n"
                              "end\n");
    TProbe* a = Probe(root, "A");
    TProbe* b = Probe(root, "B");
    ASSERT_TRUE(a && b);
    a->OnPing(a);
    b->OnPing(b);
    b->OnPing(b);
    EXPECT_EQ(root.pings, std::vector<TObject*>{a});
    EXPECT_EQ(root.pongs, 2);
    EXPECT_EQ(a->OnPing.Name, "Ping");
}

TEST_F(FormResourceTest, ReferencesResolveAfterReadingAndBeforeLoaded) {
    TProbeRoot root;
    ReadComponentResourceText(&root,
                              "object Root: TProbeRoot\n"
                              "  object A: TProbe\n    Ref = C\n  end\n"  // forward
                              "  object B: TProbe\n    Ref = A\n  end\n"  // backward
                              "  object C: TProbe\n    Ref = c\n  end\n"  // itself, any case
                              "end\n");
    TProbe* a = Probe(root, "A");
    TProbe* b = Probe(root, "B");
    TProbe* c = Probe(root, "C");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->Ref, c);
    EXPECT_EQ(b->Ref, a);
    EXPECT_EQ(c->Ref, c);
    for (TProbe* p : {a, b, c}) {
        EXPECT_EQ(p->RefAtLoaded, p->Ref) << p->Name() << ": Loaded sees the resolved reference";
        EXPECT_TRUE(p->LoadingAtLoaded);
        EXPECT_FALSE(p->Loading());
    }
    EXPECT_EQ(g_log, (std::vector<std::string>{"Loaded A", "Loaded B", "Loaded C"}));
}

TEST_F(FormResourceTest, NestedObjectsGetTheirParentAndAreWrittenInside) {
    const std::string text =
        "object Root: TProbeRoot\n"
        "  object Outer: TProbe\n"
        "    object Inner: TProbe\n"
        "      Number = 1\n"
        "    end\n"
        "  end\n"
        "  object Last: TProbe\n"
        "  end\n"
        "end\n";
    TProbeRoot root;
    ReadComponentResourceText(&root, text);
    ASSERT_EQ(root.ComponentCount(), 3);
    EXPECT_EQ(root.Components(0)->Name(), "Outer");
    EXPECT_EQ(root.Components(1)->Name(), "Inner");
    EXPECT_EQ(root.Components(1)->Owner(), &root) << "the root owns every component";
    EXPECT_EQ(Probe(root, "Inner")->Parent, root.Components(0));
    EXPECT_EQ(Probe(root, "Last")->Parent, &root);
    EXPECT_EQ(WriteComponentResourceText(&root), text);
}

TEST_F(FormResourceTest, BindingErrorsNameTheLineTheComponentAndTheProperty) {
    struct Case {
        std::string body;  // inside "object P1: TProbe" on line 2; its first property on line 3
        const char* message;
    } cases[] = {
        {"Number = 'x'", "プロパティ (3) P1.Number の値が不正です (整数 が必要です)"},
        {"Flag = Yes", "プロパティ (3) P1.Flag の値が不正です (True か False が必要です)"},
        {"Flag = 1", "プロパティ (3) P1.Flag の値が不正です (True か False が必要です)"},
        {"Mode = mdFour", "プロパティ (3) P1.Mode の値が不正です (列挙値 が必要です)"},
        {"Bits = [bA, bZ]", "プロパティ (3) P1.Bits の値が不正です (集合の要素 が必要です)"},
        {"Bits = bA", "プロパティ (3) P1.Bits の値が不正です (集合 が必要です)"},
        {"Colour = clNoSuch", "プロパティ (3) P1.Colour の値が不正です (色 が必要です)"},
        {"Pointer = 'x'", "プロパティ (3) P1.Pointer の値が不正です (カーソル が必要です)"},
        {"Text = 5", "プロパティ (3) P1.Text の値が不正です (文字列 が必要です)"},
        {"Ref = 5", "プロパティ (3) P1.Ref の値が不正です (コンポーネント名 が必要です)"},
        {"OnPing = 'Ping'", "プロパティ (3) P1.OnPing の値が不正です (メソッド名 が必要です)"},
        {"Sub = 1", "プロパティ (3) P1.Sub の値が不正です (サブプロパティ が必要です)"},
        {"Nope = 1", "プロパティ (3) P1.Nope がありません"},
        {"Blob2 = {00}", "プロパティ (3) P1.Blob2 がありません"},
        {"Number.Size = 1", "プロパティ (3) P1.Number.Size がありません"},
        {"Sub.Nope = 1", "プロパティ (3) P1.Sub.Nope がありません"},
        {"Number = 1\n    Ref = Nobody", "コンポーネント Nobody が見つかりません (4) P1.Ref"},
        {"OnPing = Missing", "メソッド Missing が見つかりません (OnPing)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        TProbeRoot root;
        try {
            ReadComponentResourceText(&root, "object Root: TProbeRoot\n  object P1: TProbe\n    " + c.body + "\n  end\nend\n");
            ADD_FAILURE() << "read";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
}

TEST_F(FormResourceTest, TreeErrors) {
    struct Case {
        const char* text;
        const char* message;
        bool classNotFound;
    } cases[] = {
        {"object Root: TProbeRoot\n  object X: TNope\n  end\nend\n", "クラス TNope が見つかりません", true},
        {"object Root: TOther\nend\n", "(1) クラス TOther は TProbeRoot ではありません", false},
        {"object Root: TProbeRoot\n  object A: TProbe\n  end\n  object A: TProbe\n  end\nend\n",
         "(4) コンポーネント名 A は重複しています", false},
        {"object Root: TProbeRoot\n  object Ab: TProbe\n  end\n  object aB: TProbe\n  end\nend\n",
         "(4) コンポーネント名 aB は重複しています", false},
        {"object Root: TProbeRoot\n  object A: TProbe\n    object A: TProbe\n    end\n  end\nend\n",
         "(3) コンポーネント名 A は重複しています", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TProbeRoot root;
        try {
            ReadComponentResourceText(&root, c.text);
            ADD_FAILURE() << "read";
        } catch (const EClassNotFound& e) {
            EXPECT_TRUE(c.classNotFound);
            EXPECT_EQ(e.Message, c.message);
        } catch (const EReadError& e) {
            EXPECT_FALSE(c.classNotFound);
            EXPECT_EQ(e.Message, c.message);
        }
    }
    EXPECT_THROW(CreateComponent("TNope", nullptr), EClassNotFound);
    EXPECT_FALSE(IsClassRegistered("TNope"));
    EXPECT_TRUE(IsClassRegistered("TProbe"));
}

TEST_F(FormResourceTest, SetFormPropertyResolvesAgainstTheRoot) {
    TProbeRoot root;
    root.SetName("Root");
    auto* a = new TProbe(&root);
    a->SetName("A");
    FormProperty ref{"Ref", {FormValue::Kind::Ident, 0, "Root"}, 0};
    EXPECT_THROW(SetFormProperty(a, ref, &root), EInvalidOperation) << "the root is no TProbe";
    ref.value.text = "A";
    SetFormProperty(a, ref, &root);
    EXPECT_EQ(a->Ref, a);
    FormProperty size{"Sub.Size", {FormValue::Kind::Integer, 4}, 0};
    SetFormProperty(a, size, nullptr);
    EXPECT_EQ(a->Sub->Size, 4);
}

// ---------------------------------------------------------------- ownership
TEST_F(FormResourceTest, OwnersDestroyWhatTheyOwnLastFirst) {
    auto root = std::make_unique<TProbeRoot>();
    auto* a = new TProbe(root.get());
    a->SetName("A");
    auto* b = new TProbe(root.get());
    b->SetName("B");
    auto* c = new TProbe(root.get());
    c->SetName("C");
    auto* grandchild = new TProbe(b);
    grandchild->SetName("B1");
    c->Ref = a;
    ASSERT_EQ(root->ComponentCount(), 3);
    EXPECT_EQ(root->Components(0), a);
    EXPECT_EQ(root->Components(2), c);
    EXPECT_EQ(c->ComponentIndex(), 2);

    // Deleting one takes it out of its owner and tells the others.
    delete a;
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(root->Components(0), b);
    EXPECT_EQ(c->Ref, nullptr);
    g_log.clear();
    root.reset();
    EXPECT_EQ(g_log, (std::vector<std::string>{"~C", "~B", "~B1"}));
}

TEST_F(FormResourceTest, ListIndexErrors) {
    TList list;
    int x = 0, y = 0;
    list.Add(&x);
    list.Add(&y);
    for (int index : {-1, 2, 7}) {
        SCOPED_TRACE(index);
        const std::string text = "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
        for (auto op : {+[](TList& l, int i) { l.Get(i); }, +[](TList& l, int i) { l.Delete(i); }}) {
            try {
                op(list, index);
                ADD_FAILURE() << "no error";
            } catch (const EListError& e) {
                EXPECT_EQ(e.Message, text);
            }
        }
        TProbeRoot root;
        try {
            root.Components(index);
            ADD_FAILURE() << "no error";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message, text);
        }
    }
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Remove(&x), 0);
    EXPECT_EQ(list.Remove(&x), -1);
    EXPECT_EQ(list.Get(0), &y);
}

}  // namespace
