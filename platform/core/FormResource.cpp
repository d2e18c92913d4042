#include "platform/core/FormResource.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>

#include "platform/core/Classes.h"
#include "platform/core/Exceptions.h"

// ---------------------------------------------------------------- parsing
namespace {

class Parser {
public:
    Parser(std::string_view text, std::string_view name) : text_(text), name_(name) {}

    FormNode ParseRoot() {
        FormNode node = ParseObject();
        SkipBlanks();
        if (pos_ < text_.size()) Fail("テキストの終わり");
        return node;
    }

private:
    [[noreturn]] void Fail(const std::string& expected) {
        std::string found = pos_ < text_.size() ? "'" + std::string(text_.substr(pos_, 1)) + "'" : "テキストの終わり";
        throw EReadError(std::string(name_) + "(" + std::to_string(line_) + "): " + expected + " が必要ですが " + found +
                         " があります");
    }

    void SkipBlanks() {
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++pos_;
            } else {
                break;
            }
        }
    }

    static bool IdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
    static bool IdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

    std::string Ident(bool dotted, const char* what) {
        SkipBlanks();
        if (pos_ >= text_.size() || !IdentStart(text_[pos_])) Fail(what);
        std::size_t start = pos_;
        while (pos_ < text_.size() && (IdentChar(text_[pos_]) || (dotted && text_[pos_] == '.' && pos_ + 1 < text_.size() &&
                                                                  IdentStart(text_[pos_ + 1]))))
            ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    void Expect(char c, const char* what) {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != c) Fail(what);
        ++pos_;
    }

    bool PeekWord(std::string_view word) {
        SkipBlanks();
        if (text_.substr(pos_, word.size()) != word) return false;
        std::size_t after = pos_ + word.size();
        return after >= text_.size() || !IdentChar(text_[after]);
    }

    FormNode ParseObject() {
        SkipBlanks();
        if (!PeekWord("object")) Fail("'object'");
        FormNode node;
        node.line = line_;
        pos_ += 6;
        node.name = Ident(false, "オブジェクト名");
        Expect(':', "':'");
        node.className = Ident(false, "クラス名");
        for (;;) {
            SkipBlanks();
            if (PeekWord("end")) {
                pos_ += 3;
                return node;
            }
            if (PeekWord("object")) {
                if (++depth_ > 64) Fail("浅い入れ子");
                node.children.push_back(ParseObject());
                --depth_;
                continue;
            }
            FormProperty prop;
            prop.line = line_;
            prop.path = Ident(true, "プロパティ名か 'end'");
            Expect('=', "'='");
            prop.value = ParseValue();
            node.properties.push_back(std::move(prop));
        }
    }

    FormValue ParseValue() {
        SkipBlanks();
        if (pos_ >= text_.size()) Fail("値");
        char c = text_[pos_];
        FormValue v;
        if (c == '\'') {
            v.kind = FormValue::Kind::String;
            v.text = ParseString();
        } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            v.kind = FormValue::Kind::Integer;
            v.integer = ParseInteger();
        } else if (c == '[') {
            v.kind = FormValue::Kind::Set;
            ++pos_;
            SkipBlanks();
            if (pos_ < text_.size() && text_[pos_] == ']') {
                ++pos_;
                return v;
            }
            for (;;) {
                v.set.push_back(Ident(false, "集合の要素"));
                SkipBlanks();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                Expect(']', "']'");
                break;
            }
        } else if (c == '{') {
            v.kind = FormValue::Kind::Binary;
            ++pos_;
            int nibbles = 0;
            std::uint8_t byte = 0;
            for (;;) {
                SkipBlanks();
                if (pos_ >= text_.size()) Fail("'}'");
                char h = text_[pos_];
                if (h == '}') {
                    ++pos_;
                    break;
                }
                int d = std::isdigit(static_cast<unsigned char>(h)) ? h - '0'
                        : (h >= 'A' && h <= 'F')                  ? h - 'A' + 10
                        : (h >= 'a' && h <= 'f')                  ? h - 'a' + 10
                                                                  : -1;
                if (d < 0) Fail("16 進数字か '}'");
                byte = static_cast<std::uint8_t>(byte << 4 | d);
                if (++nibbles % 2 == 0) v.bytes.push_back(byte);
                ++pos_;
            }
            if (nibbles % 2) Fail("偶数個の 16 進数字");
        } else if (IdentStart(c)) {
            v.kind = FormValue::Kind::Ident;
            v.text = Ident(false, "識別子");
        } else {
            Fail("値");
        }
        return v;
    }

    std::string ParseString() {
        std::string out;
        for (;;) {
            ++pos_;  // the opening quote
            for (;;) {
                if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("文字列の終わりの '''");
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        out += '\'';
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                out += text_[pos_++];
            }
            // 'abc' + 'def' continues a long string on the next line.
            std::size_t save = pos_;
            int saveLine = line_;
            SkipBlanks();
            if (pos_ < text_.size() && text_[pos_] == '+') {
                ++pos_;
                SkipBlanks();
                if (pos_ < text_.size() && text_[pos_] == '\'') continue;
                Fail("文字列");
            }
            pos_ = save;
            line_ = saveLine;
            return out;
        }
    }

    std::int64_t ParseInteger() {
        bool negative = false;
        if (text_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        int base = 10;
        if (pos_ < text_.size() && text_[pos_] == '$') {
            base = 16;
            ++pos_;
        }
        std::size_t start = pos_;
        while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        std::uint64_t value = 0;
        auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, value, base);
        if (start == pos_ || ec != std::errc() || end != text_.data() + pos_ || value > 0xFFFFFFFFull) Fail("整数");
        // $80000000 and above are the negative 32-bit values, as TColor stores them.
        std::int64_t v = (base == 16 && value > 0x7FFFFFFF) ? static_cast<std::int32_t>(value) : static_cast<std::int64_t>(value);
        return negative ? -v : v;
    }

    std::string_view text_;
    std::string_view name_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int depth_ = 0;
};

void FormatValue(std::string& out, const FormValue& v, const std::string& indent) {
    switch (v.kind) {
    case FormValue::Kind::Integer:
        out += std::to_string(v.integer);
        break;
    case FormValue::Kind::Ident:
        out += v.text;
        break;
    case FormValue::Kind::String:
        out += '\'';
        for (char c : v.text) {
            if (c == '\'') out += '\'';
            out += c;
        }
        out += '\'';
        break;
    case FormValue::Kind::Set:
        out += '[';
        for (std::size_t i = 0; i < v.set.size(); ++i) {
            if (i) out += ", ";
            out += v.set[i];
        }
        out += ']';
        break;
    case FormValue::Kind::Binary: {
        static const char* hex = "0123456789ABCDEF";
        out += '{';
        for (std::size_t i = 0; i < v.bytes.size(); ++i) {
            if (i % 32 == 0) {
                out += '\n';
                out += indent;
                out += "  ";
            }
            out += hex[v.bytes[i] >> 4];
            out += hex[v.bytes[i] & 15];
        }
        out += '}';
        break;
    }
    }
}

void FormatNode(std::string& out, const FormNode& node, const std::string& indent) {
    out += indent + "object " + node.name + ": " + node.className + "\n";
    std::string inner = indent + "  ";
    for (const FormProperty& p : node.properties) {
        out += inner + p.path + " = ";
        FormatValue(out, p.value, inner);
        out += '\n';
    }
    for (const FormNode& child : node.children) FormatNode(out, child, inner);
    out += indent + "end\n";
}

}  // namespace

FormNode ParseFormText(std::string_view text, std::string_view resourceName) {
    return Parser(text, resourceName).ParseRoot();
}

std::string FormatFormText(const FormNode& node) {
    std::string out;
    FormatNode(out, node, "");
    return out;
}

// ---------------------------------------------------------------- binding
namespace {

std::string Where(const TPersistent* object, const FormProperty& p) {
    auto* c = dynamic_cast<const TComponent*>(object);
    std::string who = c && !c->Name().empty() ? c->Name() + "." : std::string();
    return "(" + std::to_string(p.line) + ") " + who + p.path;
}

[[noreturn]] void BadValue(const TPersistent* object, const FormProperty& p, const char* expected) {
    throw EReadError("プロパティ " + Where(object, p) + " の値が不正です (" + expected + " が必要です)");
}

const PropInfo* FindProp(const TPersistent* object, std::string_view name) {
    for (const PropInfo& info : object->Properties())
        if (name == info.name) return &info;
    return nullptr;
}

// Offers a binary value to the object's own stored properties.
class BinaryReader : public TFiler {
public:
    BinaryReader(std::string_view name, const std::vector<std::uint8_t>& bytes) : name_(name), bytes_(bytes) {}
    void DefineBinaryProperty(const char* name, const std::function<void(TStream*)>& read,
                              const std::function<void(TStream*)>&, bool) override {
        if (found_ || name_ != name || !read) return;
        found_ = true;
        TBytesStream stream(bytes_.data(), bytes_.size());
        read(&stream);
    }
    bool found_ = false;

private:
    std::string_view name_;
    const std::vector<std::uint8_t>& bytes_;
};

struct Fixup {
    TPersistent* object;
    const PropInfo* info;
    std::string target;
    FormProperty where;
};

struct ReadContext {
    TComponent* root;
    std::vector<Fixup> fixups;
};

void ApplyProperty(TPersistent* object, const FormProperty& p, ReadContext* ctx) {
    // Walk the sub-objects of a dotted path ("Font.Height").
    std::string_view path = p.path;
    TPersistent* target = object;
    for (std::size_t dot; (dot = path.find('.')) != std::string_view::npos;) {
        std::string_view head = path.substr(0, dot);
        const PropInfo* info = FindProp(target, head);
        if (!info || info->kind != PropKind::Object) {
            // "RgnBitmap.Data": a stored property of a sub-object, or an unknown name.
            throw EReadError("プロパティ " + Where(object, p) + " がありません");
        }
        TPersistent* sub = info->get_obj(target);
        if (!sub) throw EReadError("プロパティ " + Where(object, p) + " がありません");
        target = sub;
        path = path.substr(dot + 1);
    }

    const FormValue& v = p.value;
    const PropInfo* info = FindProp(target, path);
    if (!info) {
        if (v.kind == FormValue::Kind::Binary) {
            BinaryReader filer(path, v.bytes);
            target->DefineProperties(&filer);
            if (filer.found_) return;
        }
        throw EReadError("プロパティ " + Where(object, p) + " がありません");
    }
    using K = FormValue::Kind;
    switch (info->kind) {
    case PropKind::Integer:
        if (v.kind != K::Integer) BadValue(object, p, "整数");
        info->set_int(target, v.integer);
        break;
    case PropKind::Bool:
        if (v.kind != K::Ident || (v.text != "True" && v.text != "False")) BadValue(object, p, "True か False");
        info->set_int(target, v.text == "True" ? 1 : 0);
        break;
    case PropKind::String:
        if (v.kind != K::String) BadValue(object, p, "文字列");
        info->set_str(target, v.text);
        break;
    case PropKind::Enum: {
        int value = 0;
        if (v.kind != K::Ident || !info->names || !info->names->ValueOf(v.text, &value)) BadValue(object, p, "列挙値");
        info->set_int(target, value);
        break;
    }
    case PropKind::Set: {
        if (v.kind != K::Set || !info->names) BadValue(object, p, "集合");
        std::int64_t bits = 0;
        for (const std::string& e : v.set) {
            int value = 0;
            if (!info->names->ValueOf(e, &value)) BadValue(object, p, "集合の要素");
            bits |= std::int64_t{1} << (value - info->names->first);
        }
        info->set_int(target, bits);
        break;
    }
    case PropKind::Color:
    case PropKind::Cursor: {
        std::int64_t value = 0;
        bool color = info->kind == PropKind::Color;
        if (v.kind == K::Integer)
            value = v.integer;
        else if (v.kind != K::Ident || !(color ? ColorFromIdent(v.text, &value) : CursorFromIdent(v.text, &value)))
            BadValue(object, p, color ? "色" : "カーソル");
        info->set_int(target, value);
        break;
    }
    case PropKind::Component:
        if (v.kind != K::Ident) BadValue(object, p, "コンポーネント名");
        ctx->fixups.push_back({target, info, v.text, p});
        break;
    case PropKind::Event:
        if (v.kind != K::Ident) BadValue(object, p, "メソッド名");
        info->set_event(target, v.text, ctx->root);
        break;
    case PropKind::Object:
        BadValue(object, p, "サブプロパティ");
    }
}

void ReadChildren(const FormNode& node, TComponent* parent, ReadContext* ctx, std::vector<TComponent*>* loaded) {
    for (const FormNode& childNode : node.children) {
        if (ctx->root->FindComponent(childNode.name))
            throw EReadError("(" + std::to_string(childNode.line) + ") コンポーネント名 " + childNode.name + " は重複しています");
        TComponent* child = CreateComponent(childNode.className, ctx->root);
        child->SetLoading(true);
        if (ctx->root->Designing()) child->SetDesigning(true);
        loaded->push_back(child);
        child->SetName(childNode.name);
        child->SetParentComponent(parent);
        for (const FormProperty& p : childNode.properties) ApplyProperty(child, p, ctx);
        ReadChildren(childNode, child, ctx, loaded);
    }
}

}  // namespace

void SetFormProperty(TPersistent* object, const FormProperty& property, TComponent* root) {
    ReadContext ctx{root, {}};
    ApplyProperty(object, property, &ctx);
    for (const Fixup& f : ctx.fixups) {
        TComponent* ref = root ? (f.target == root->Name() ? root : root->FindComponent(f.target)) : nullptr;
        if (!ref) throw EReadError("コンポーネント " + f.target + " が見つかりません " + Where(object, f.where));
        f.info->set_ref(f.object, ref);
    }
}

void ReadComponentTree(TComponent* root, const FormNode& node) {
    if (node.className != root->ClassName())
        throw EReadError("(" + std::to_string(node.line) + ") クラス " + node.className + " は " + root->ClassName() +
                         " ではありません");
    ReadContext ctx{root, {}};
    std::vector<TComponent*> loaded{root};
    root->SetLoading(true);
    root->SetName(node.name);
    for (const FormProperty& p : node.properties) ApplyProperty(root, p, &ctx);
    ReadChildren(node, root, &ctx, &loaded);
    for (const Fixup& f : ctx.fixups) {
        TComponent* ref = f.target == root->Name() ? root : root->FindComponent(f.target);
        if (!ref) throw EReadError("コンポーネント " + f.target + " が見つかりません " + Where(f.object, f.where));
        f.info->set_ref(f.object, ref);
    }
    for (TComponent* c : loaded) c->Loaded();
}

void ReadComponentResourceText(TComponent* root, std::string_view text, std::string_view resourceName) {
    ReadComponentTree(root, ParseFormText(text, resourceName));
}

// ---------------------------------------------------------------- writing
namespace {

class BinaryWriter : public TFiler {
public:
    BinaryWriter(std::vector<FormProperty>* out, std::string prefix) : out_(out), prefix_(std::move(prefix)) {}
    void DefineBinaryProperty(const char* name, const std::function<void(TStream*)>&,
                              const std::function<void(TStream*)>& write, bool has_data) override {
        if (!has_data || !write) return;
        TMemoryStream stream;
        write(&stream);
        FormProperty p;
        p.path = prefix_ + name;
        p.value.kind = FormValue::Kind::Binary;
        p.value.bytes = std::move(stream.Bytes);
        out_->push_back(std::move(p));
    }

private:
    std::vector<FormProperty>* out_;
    std::string prefix_;
};

void WriteProperties(TPersistent* object, const std::string& prefix, std::vector<FormProperty>* out) {
    for (const PropInfo& info : object->Properties()) {
        FormProperty p;
        p.path = prefix + info.name;
        FormValue& v = p.value;
        switch (info.kind) {
        case PropKind::Integer: {
            std::int64_t value = info.get_int(object);
            if (value == info.def && !info.always_stored) continue;
            v.kind = FormValue::Kind::Integer;
            v.integer = value;
            break;
        }
        case PropKind::Bool: {
            std::int64_t value = info.get_int(object);
            if (value == info.def && !info.always_stored) continue;
            v.kind = FormValue::Kind::Ident;
            v.text = value ? "True" : "False";
            break;
        }
        case PropKind::Enum: {
            std::int64_t value = info.get_int(object);
            if (value == info.def && !info.always_stored) continue;
            const char* name = info.names ? info.names->NameOf(static_cast<int>(value)) : nullptr;
            if (!name) throw EWriteError(std::string("列挙値が不正です: ") + p.path);
            v.kind = FormValue::Kind::Ident;
            v.text = name;
            break;
        }
        case PropKind::Set: {
            std::int64_t bits = info.get_int(object);
            if (bits == info.def && !info.always_stored) continue;
            v.kind = FormValue::Kind::Set;
            for (std::size_t i = 0; info.names && i < info.names->names.size(); ++i)
                if (bits & (std::int64_t{1} << i)) v.set.push_back(info.names->names[i]);
            break;
        }
        case PropKind::Color:
        case PropKind::Cursor: {
            std::int64_t value = info.get_int(object);
            if (value == info.def && !info.always_stored) continue;
            const char* ident = info.kind == PropKind::Color ? ColorIdent(value) : CursorIdent(value);
            if (ident) {
                v.kind = FormValue::Kind::Ident;
                v.text = ident;
            } else {
                v.kind = FormValue::Kind::Integer;
                v.integer = value;
            }
            break;
        }
        case PropKind::String: {
            std::string value = info.get_str(object);
            if (value.empty() && !info.always_stored) continue;
            v.kind = FormValue::Kind::String;
            v.text = std::move(value);
            break;
        }
        case PropKind::Event: {
            std::string value = info.get_str(object);
            if (value.empty()) continue;
            v.kind = FormValue::Kind::Ident;
            v.text = std::move(value);
            break;
        }
        case PropKind::Component: {
            TComponent* ref = info.get_ref(object);
            if (!ref || ref->Name().empty()) continue;
            v.kind = FormValue::Kind::Ident;
            v.text = ref->Name();
            break;
        }
        case PropKind::Object: {
            if (TPersistent* sub = info.get_obj(object)) WriteProperties(sub, p.path + ".", out);
            continue;
        }
        }
        out->push_back(std::move(p));
    }
    BinaryWriter filer(out, prefix);
    object->DefineProperties(&filer);
}

FormNode WriteNode(TComponent* component, TComponent* root) {
    FormNode node;
    node.name = component->Name();
    node.className = component->ClassName();
    WriteProperties(component, "", &node.properties);
    for (int i = 0; i < root->ComponentCount(); ++i) {
        TComponent* c = root->Components(i);
        TComponent* parent = c->GetParentComponent();
        if (parent == component || (component == root && parent == nullptr)) node.children.push_back(WriteNode(c, root));
    }
    return node;
}

}  // namespace

FormNode WriteComponentTree(TComponent* root) { return WriteNode(root, root); }

std::string WriteComponentResourceText(TComponent* root) { return FormatFormText(WriteComponentTree(root)); }
