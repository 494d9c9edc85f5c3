#include "platform/ui/layout_constraint.h"

namespace vigilix::platform {

std::shared_ptr<LayoutConstraint> LayoutConstraint::make(
    const std::shared_ptr<View>& first, LayoutAttribute firstAttribute, LayoutRelation relation,
    const std::shared_ptr<View>& second, LayoutAttribute secondAttribute, double constant) {
  auto c = std::make_shared<LayoutConstraint>();
  c->first_ = first;
  c->second_ = second;
  c->firstAttribute_ = firstAttribute;
  c->secondAttribute_ = secondAttribute;
  c->relation_ = relation;
  c->constant_ = constant;
  return c;
}

std::shared_ptr<LayoutConstraint> LayoutConstraint::make(const std::shared_ptr<View>& first,
                                                         LayoutAttribute attribute,
                                                         LayoutRelation relation, double constant) {
  return make(first, attribute, relation, nullptr, attribute, constant);
}

void LayoutConstraint::activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
  for (const auto& c : constraints) {
    if (c) c->setActive(true);
  }
}

}  // namespace vigilix::platform
