#include "tuning/Minimise.h"

#include <algorithm>
#include <cmath>

namespace velmora::tuning {

namespace {

struct Simplex {
    std::array<SearchPoint, kMaxSearchVariables + 1> p{};
    std::array<double, kMaxSearchVariables + 1> v{};
    int n = 0;

    // Indices of the best, second-worst and worst vertex.
    void order(int& best, int& second, int& worst) const {
        best = worst = 0;
        for (int i = 1; i <= n; ++i) {
            if (v[i] < v[best]) best = i;
            if (v[i] > v[worst]) worst = i;
        }
        second = best;
        for (int i = 0; i <= n; ++i)
            if (i != worst && v[i] >= v[second]) second = i;
    }
    SearchPoint centre(int worst) const {
        SearchPoint c{};
        for (int i = 0; i <= n; ++i)
            if (i != worst)
                for (int j = 0; j < n; ++j) c[j] += p[i][j] / n;
        return c;
    }
};

}  // namespace

double MinimiseSimplex(const std::function<double(const SearchPoint&)>& f, SearchPoint& x, int n,
                       double scale, int evaluations) {
    Simplex s;
    s.n = n = std::clamp(n, 1, kMaxSearchVariables);
    for (int i = 0; i <= n; ++i) {
        s.p[i] = x;
        if (i > 0) s.p[i][i - 1] += scale;
        s.v[i] = f(s.p[i]);
    }
    int used = n + 1;
    while (used < evaluations) {
        int best, second, worst;
        s.order(best, second, worst);
        if (std::abs(s.v[worst] - s.v[best]) <= 1e-10 * (std::abs(s.v[best]) + 1e-12)) break;
        const SearchPoint c = s.centre(worst);
        const auto along = [&](double t) {
            SearchPoint q = x;
            for (int j = 0; j < n; ++j) q[j] = c[j] + t * (s.p[worst][j] - c[j]);
            return q;
        };
        const SearchPoint r = along(-1);
        const double fr = f(r);
        ++used;
        if (fr < s.v[best]) {
            const SearchPoint e = along(-2);
            const double fe = f(e);
            ++used;
            s.p[worst] = fe < fr ? e : r;
            s.v[worst] = std::min(fe, fr);
        } else if (fr < s.v[second]) {
            s.p[worst] = r, s.v[worst] = fr;
        } else {
            const SearchPoint k = along(fr < s.v[worst] ? -0.5 : 0.5);
            const double fk = f(k);
            ++used;
            if (fk < std::min(fr, s.v[worst])) {
                s.p[worst] = k, s.v[worst] = fk;
            } else {
                for (int i = 0; i <= n; ++i) {
                    if (i == best) continue;
                    for (int j = 0; j < n; ++j) s.p[i][j] = s.p[best][j] + 0.5 * (s.p[i][j] - s.p[best][j]);
                    s.v[i] = f(s.p[i]);
                    ++used;
                }
            }
        }
    }
    const int best = static_cast<int>(std::min_element(s.v.begin(), s.v.begin() + n + 1) - s.v.begin());
    x = s.p[best];
    return s.v[best];
}

}  // namespace velmora::tuning
