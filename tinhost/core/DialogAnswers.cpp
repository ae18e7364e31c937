#include "tinhost/core/DialogAnswers.h"

namespace tinhost {

DialogScript& DialogScript::text(std::int16_t item, std::string value) {
  actions.push_back({DialogAction::Kind::SetText, item, std::move(value), 0, {}, {}});
  return *this;
}

DialogScript& DialogScript::check(std::int16_t item, bool on) {
  actions.push_back({DialogAction::Kind::SetCheck, item, {}, static_cast<std::int16_t>(on ? 1 : 0), {}, {}});
  return *this;
}

DialogScript& DialogScript::choose(std::int16_t item, std::int16_t index1) {
  actions.push_back({DialogAction::Kind::ChooseIndex, item, {}, index1, {}, {}});
  return *this;
}

DialogScript& DialogScript::choose(std::int16_t item, std::string entryText) {
  actions.push_back({DialogAction::Kind::ChooseText, item, std::move(entryText), 0, {}, {}});
  return *this;
}

DialogScript& DialogScript::radio(std::int16_t item) {
  actions.push_back({DialogAction::Kind::PressRadio, item, {}, 1, {}, {}});
  return *this;
}

DialogScript& DialogScript::text(std::string field, std::string value) {
  text(std::int16_t{0}, std::move(value));
  actions.back().field = std::move(field);
  return *this;
}

DialogScript& DialogScript::check(std::string field, bool on) {
  check(std::int16_t{0}, on);
  actions.back().field = std::move(field);
  return *this;
}

DialogScript& DialogScript::choose(std::string field, std::int16_t index1) {
  choose(std::int16_t{0}, index1);
  actions.back().field = std::move(field);
  return *this;
}

DialogScript& DialogScript::choose(std::string field, std::string entryText) {
  choose(std::int16_t{0}, std::move(entryText));
  actions.back().field = std::move(field);
  return *this;
}

DialogScript& DialogScript::cancelled() {
  cancel = true;
  return *this;
}

DialogScript& DialogScript::answering(std::string answer) {
  if (!actions.empty()) actions.back().answer = std::move(answer);
  return *this;
}

DialogScript DialogAnswers::next(std::int16_t resId) {
  auto& queue = queued_[resId];
  if (!queue.empty()) {
    DialogScript s = std::move(queue.front());
    queue.pop_front();
    return s;
  }
  const auto it = standing_.find(resId);
  return it == standing_.end() ? DialogScript{} : it->second;
}

bool DialogAnswers::nextConfirm() {
  if (confirms_.empty()) return defaultConfirm_;
  const bool yes = confirms_.front();
  confirms_.pop_front();
  return yes;
}

void DialogAnswers::clear() {
  queued_.clear();
  standing_.clear();
  confirms_.clear();
  defaultConfirm_ = true;
}

}  // namespace tinhost
