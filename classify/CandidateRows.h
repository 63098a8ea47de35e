#pragma once

#include <algorithm>
#include <functional>
#include <vector>

namespace kelvane {

// The rule positions an indexed pass tests, handed out smallest first and each once, so that
// rules are tested in table order. Positions may be added while the pass goes on, as long as
// none is smaller than the last one handed out.
class CandidateRows {
  public:
    void Add(int position) {
        heap_.push_back(position);
        std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
    }
    void Add(const std::vector<int>& positions) {
        for (const int position : positions) Add(position);
    }

    // The smallest position not handed out yet, or -1.
    int Peek() {
        while (!heap_.empty() && heap_.front() <= last_) Pop();
        return heap_.empty() ? -1 : heap_.front();
    }
    // Hands out Peek()'s position; -1 when there is none.
    int Next() {
        const int position = Peek();
        if (position >= 0) last_ = Pop();
        return position;
    }

  private:
    int Pop() {
        std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
        const int position = heap_.back();
        heap_.pop_back();
        return position;
    }

    std::vector<int> heap_;
    int last_ = -1;
};

}  // namespace kelvane
