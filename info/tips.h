// The tip of the day: the program's 24 built-in hints and the number of the
// one on display. No widgets; the tip window shows what this decides.
//
// Tips are numbered 1 to 24. A TipCycle starts on a tip drawn at random (or
// a given one) and moves forward, from 24 back to 1.
#pragma once

#include <QString>
#include <functional>

namespace info {

inline constexpr int kTipCount = 24;
// Each tip fits in this many characters.
inline constexpr int kTipLength = 130;

// The text of tip `number` (1 to 24); empty for any other number.
QString tipText(int number);

class TipCycle {
  public:
    // Draws a number 0 to bound - 1.
    using Draw = std::function<int(int bound)>;

    // Starts on a tip drawn from the system's random source.
    TipCycle();
    // Starts on tip `draw(24) + 1`; a draw outside 0 to 23 starts on tip 1.
    explicit TipCycle(const Draw& draw);

    int current() const { return current_; }
    QString text() const { return tipText(current_); }
    // The next tip: 1, 2, ..., 24, 1, ...
    void next();

  private:
    int current_ = 1;
};

}  // namespace info
