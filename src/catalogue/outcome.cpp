#include "catalogue/outcome.h"

#include <algorithm>

namespace kestrel {

void Outcome::SetText(WindowFields& fields, Box box, std::string text) {
    if (steps_.empty()) {
        fields.SetText(box, text);
    } else {
        steps_.emplace_back(FieldWrite{box, std::move(text)});
    }
}

void Outcome::Play(WindowFields& fields, const std::function<void(const Notice&)>& show) const {
    for (const auto& step : steps_) {
        if (const Notice* notice = std::get_if<Notice>(&step)) {
            show(*notice);
        } else {
            const FieldWrite& write = std::get<FieldWrite>(step);
            fields.SetText(write.box, write.text);
        }
    }
}

std::vector<Notice> Outcome::Notices() const {
    std::vector<Notice> notices;
    for (const auto& step : steps_) {
        if (const Notice* notice = std::get_if<Notice>(&step)) notices.push_back(*notice);
    }
    return notices;
}

bool Outcome::ValueRefused() const {
    return std::any_of(steps_.begin(), steps_.end(), [](const auto& step) {
        const Notice* notice = std::get_if<Notice>(&step);
        return notice && notice->kind == Notice::Kind::ValueError;
    });
}

}  // namespace kestrel
