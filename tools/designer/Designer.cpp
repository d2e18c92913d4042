#include "tools/designer/Designer.h"

#include <fstream>
#include <sstream>

#include "platform/core/FormResource.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/TrayIcon.h"

namespace {
// A whole file as a stream.
class TFileStream : public TMemoryStream {
public:
    explicit TFileStream(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw Exception(path + ": ファイルを開けません");
        Bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
};

std::string Trim(std::string_view s) {
    std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}
}  // namespace

std::string DesignForm(std::string_view layout, std::string_view layoutName, std::string_view pictures,
                       const std::string& artworkDir) {
    FormNode tree = ParseFormText(layout, layoutName);
    TDesignForm form(tree.className);
    form.SetDesigning(true);
    ReadComponentTree(&form, tree);

    std::istringstream lines{std::string(pictures)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string entry = Trim(line);
        if (entry.empty() || entry[0] == '#') continue;
        std::string where = "pictures(" + std::to_string(number) + "): ";
        std::size_t eq = entry.find('='), dot = entry.find('.');
        if (eq == std::string::npos || dot == std::string::npos || dot > eq)
            throw Exception(where + "'Component.Property = file.bmp' が必要です");
        std::string component = Trim(entry.substr(0, dot));
        std::string property = Trim(entry.substr(dot + 1, eq - dot - 1));
        std::string file = artworkDir + "/" + Trim(entry.substr(eq + 1));

        TComponent* target = component == form.Name() ? &form : form.FindComponent(component);
        if (!target) throw Exception(where + "コンポーネント " + component + " がありません");

        if (auto* list = dynamic_cast<TImageList*>(target); list && property == "Add") {
            TBitmap picture;
            picture.LoadFromFile(file);
            list->Add(&picture, nullptr);
            continue;
        }
        const PropInfo* info = nullptr;
        for (const PropInfo& p : target->Properties())
            if (property == p.name && p.kind == PropKind::Object) info = &p;
        if (!info) throw Exception(where + component + " に画像プロパティ " + property + " がありません");

        TPersistent* own = info->get_obj(target);
        if (auto* picture = dynamic_cast<TPicture*>(own)) {
            picture->LoadFromFile(file);
        } else if (auto* icon = dynamic_cast<TIcon*>(own)) {
            TFileStream stream(file);
            icon->LoadFromStream(&stream);
        } else {
            TBitmap picture;
            picture.LoadFromFile(file);
            if (info->set_obj)
                info->set_obj(target, &picture);  // the class's own setter
            else if (own)
                own->Assign(&picture);
        }
    }
    return WriteComponentResourceText(&form);
}
