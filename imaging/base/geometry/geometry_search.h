// Smallest value over a large set of candidates grouped in a tree, opened best-first by a lower
// bound of each group: the minimum over every candidate while the bounds hold, in a time that a
// budget of opened groups keeps fixed whatever the set's size.
#pragma once

#include <algorithm>
#include <cstdint>
#include <queue>
#include <vector>

namespace calmora::geometry_detail {

// Groups split per search; beyond this the best value found so far is the answer. A search
// measures at most about SearchBudget x LeafSize candidates.
inline constexpr int32_t SearchBudget = 4096;
// A group of at most this many candidates is measured rather than split.
inline constexpr int64_t LeafSize = 16;
// A whole set this small is measured at once: bounds would cost more than they save.
inline constexpr int64_t DirectSize = 64;

// Problem: double LowerBound(const Node&), int64_t Count(const Node&) (at least the number of
// candidates in the group), double Smallest(const Node&) (the minimum over the group's
// candidates, measured one by one) and void Split(const Node&, Node children[2]). `best` is the
// smallest value already known (the answer when nothing beats it).
template <typename Node, typename Problem>
double SmallestByBounds(const Problem& problem, const Node& root, double best,
                        int32_t budget = SearchBudget) {
  struct Group {
    double bound;
    int64_t order;  // among equal bounds the newest, deepest group goes first
    Node node;
  };
  if (problem.Count(root) <= DirectSize) return std::min(best, problem.Smallest(root));
  const auto later = [](const Group& a, const Group& b) {
    return a.bound != b.bound ? a.bound > b.bound : a.order < b.order;
  };
  std::priority_queue<Group, std::vector<Group>, decltype(later)> open(later);
  int64_t order = 0;
  const double rootBound = problem.LowerBound(root);
  if (rootBound < best) open.push({rootBound, order++, root});
  while (!open.empty() && budget > 0) {
    const Group group = open.top();
    open.pop();
    if (group.bound >= best) break;  // nothing left can beat it
    // Dive to a leaf along the nearer child, leaving the other for later: coarse groups have
    // the loosest bounds, and without dives a search that runs out of budget might have
    // measured nothing.
    Node node = group.node;
    bool reached = true;
    while (problem.Count(node) > LeafSize) {
      if (budget-- <= 0) {
        reached = false;
        break;
      }
      Node children[2];
      problem.Split(node, children);
      double bounds[2] = {problem.LowerBound(children[0]), problem.LowerBound(children[1])};
      const int nearer = bounds[1] < bounds[0] ? 1 : 0;
      if (bounds[1 - nearer] < best) open.push({bounds[1 - nearer], order++, children[1 - nearer]});
      if (bounds[nearer] >= best) {
        reached = false;
        break;
      }
      node = children[nearer];
    }
    if (reached) {
      const double value = problem.Smallest(node);
      if (value < best) best = value;
    }
  }
  return best;
}

}  // namespace calmora::geometry_detail
