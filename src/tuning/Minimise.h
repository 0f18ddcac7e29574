#pragma once
// Nelder-Mead over a few variables: the model fit and the loop design both
// search small, non-smooth spaces (dead time, rounded parameters) where a
// derivative-free search is the robust choice.
#include <array>
#include <functional>

namespace velmora::tuning {

constexpr int kMaxSearchVariables = 4;
using SearchPoint = std::array<double, kMaxSearchVariables>;

// Minimises f over the first n variables of x, from a simplex whose edges are
// `scale` long, with at most `evaluations` calls of f. x gets the best point;
// returns f there. Stops early when the simplex values agree to 1e-10.
double MinimiseSimplex(const std::function<double(const SearchPoint&)>& f, SearchPoint& x, int n,
                       double scale, int evaluations);

}  // namespace velmora::tuning
