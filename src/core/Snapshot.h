// Rollback of an operation that fails by an exception: a copy of the members it may
// change, each named once in the list, put back together when the scope is left by an
// exception and dropped when it is left normally.
//
//   using EvaluationSnapshot = korv::Snapshot<&Analysis::Density, &Analysis::EnergyLevel>;
//   const EvaluationSnapshot before(record);  // restores both if the operation throws
#pragma once

#include <exception>
#include <tuple>
#include <utility>

namespace korv {

namespace detail {
template <class Pointer>
struct MemberOf;
template <class Owner_, class Type_>
struct MemberOf<Type_ Owner_::*> {
  using Owner = Owner_;
  using Type = Type_;
};
}  // namespace detail

template <auto First, auto... Rest>
class Snapshot {
 public:
  using Owner = typename detail::MemberOf<decltype(First)>::Owner;

  explicit Snapshot(Owner& owner)
      : owner_(owner), saved_(owner.*First, owner.*Rest...), exceptions_(std::uncaught_exceptions()) {}
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  ~Snapshot() {
    if (std::uncaught_exceptions() > exceptions_)
      std::apply([this](auto&... saved) { assign<First, Rest...>(saved...); }, saved_);
  }

 private:
  // Puts every member back as it was when the snapshot was taken.
  template <auto Member, auto... Others, class Value, class... Values>
  void assign(Value& value, Values&... values) {
    owner_.*Member = std::move(value);
    if constexpr (sizeof...(Others) > 0) assign<Others...>(values...);
  }

  Owner& owner_;
  std::tuple<typename detail::MemberOf<decltype(First)>::Type, typename detail::MemberOf<decltype(Rest)>::Type...>
      saved_;
  int exceptions_;
};

}  // namespace korv
