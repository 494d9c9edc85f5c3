#pragma once

#include <memory>
#include <vector>

namespace vigilix::platform {

class View;

enum class LayoutAttribute { Leading, Trailing, Top, Bottom, Width, Height, CenterX, CenterY };
enum class LayoutRelation { Equal, LessThanOrEqual, GreaterThanOrEqual };

// A layout constraint as a record: first.attribute relation second.attribute
// + constant (for Width and Height without a second item: a constant size).
// The model does not solve constraints; views that need positions compute
// them from the constants they own.
class LayoutConstraint {
 public:
  static std::shared_ptr<LayoutConstraint> make(const std::shared_ptr<View>& first,
                                                LayoutAttribute firstAttribute,
                                                LayoutRelation relation,
                                                const std::shared_ptr<View>& second,
                                                LayoutAttribute secondAttribute, double constant);
  // A constant width or height.
  static std::shared_ptr<LayoutConstraint> make(const std::shared_ptr<View>& first,
                                                LayoutAttribute attribute, LayoutRelation relation,
                                                double constant);
  static void activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);

  std::shared_ptr<View> firstItem() const { return first_.lock(); }
  std::shared_ptr<View> secondItem() const { return second_.lock(); }
  LayoutAttribute firstAttribute() const { return firstAttribute_; }
  LayoutAttribute secondAttribute() const { return secondAttribute_; }
  LayoutRelation relation() const { return relation_; }
  double constant() const { return constant_; }
  void setConstant(double constant) { constant_ = constant; }
  bool isActive() const { return active_; }
  void setActive(bool active) { active_ = active; }
  float priority() const { return priority_; }
  void setPriority(float priority) { priority_ = priority; }

 private:
  std::weak_ptr<View> first_;
  std::weak_ptr<View> second_;
  LayoutAttribute firstAttribute_ = LayoutAttribute::Leading;
  LayoutAttribute secondAttribute_ = LayoutAttribute::Leading;
  LayoutRelation relation_ = LayoutRelation::Equal;
  double constant_ = 0;
  bool active_ = false;
  float priority_ = 1000;
};

}  // namespace vigilix::platform
