// The lambdas of a std::visit over the facts' variants, as one callable.
#pragma once

namespace Facts {

template <typename... Ts>
struct Overload : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overload(Ts...) -> Overload<Ts...>;

}  // namespace Facts
