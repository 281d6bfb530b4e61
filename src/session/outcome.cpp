#include "session/outcome.h"

namespace kestrel {

void Outcome::SetText(WindowFields& fields, Box box, std::string text) {
    if (steps_.empty()) {
        fields.SetText(box, text);
    } else {
        steps_.emplace_back(FieldWrite{box, std::move(text)});
    }
}

void Outcome::Refuse(Notice notice) {
    refusal_ = steps_.size();
    steps_.emplace_back(std::move(notice));
}

void Outcome::Play(WindowFields& fields, const std::function<void(const Notice&)>& show) const {
    Play(fields, show, true);
}

void Outcome::PlayNotes(WindowFields& fields,
                        const std::function<void(const Notice&)>& show) const {
    Play(fields, show, false);
}

void Outcome::Play(WindowFields& fields, const std::function<void(const Notice&)>& show,
                   bool refusal) const {
    for (size_t i = 0; i < steps_.size(); ++i) {
        if (const Notice* notice = std::get_if<Notice>(&steps_[i])) {
            if (refusal || i != refusal_) show(*notice);
        } else {
            const FieldWrite& write = std::get<FieldWrite>(steps_[i]);
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

const Notice* Outcome::Refusal() const {
    return refusal_ == kNone ? nullptr : &std::get<Notice>(steps_[refusal_]);
}

bool Outcome::ValueRefused() const {
    const Notice* refusal = Refusal();
    return refusal && refusal->kind == Notice::Kind::ValueError;
}

}  // namespace kestrel
