#pragma once
// A bell that one thread waits for and any thread, or a signal handler, rings: the wait
// sleeps without taking processor time until the bell is rung.

#include <memory>

namespace platform {

class WakeUp {
  public:
    WakeUp();
    ~WakeUp();
    WakeUp(const WakeUp&) = delete;
    WakeUp& operator=(const WakeUp&) = delete;

    // False when the system could not make one: wait() would not sleep.
    bool isOpen() const;
    // Safe from any thread and, on POSIX, from a signal handler.
    void ring() noexcept;
    // Returns once the bell was rung since the last wait; rings meanwhile count as one.
    void wait();

  private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace platform
