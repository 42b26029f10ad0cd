// The Ui's loop: timers, callbacks posted from other threads, and the wait
// for input, posts and the next timer.
#include <unistd.h>

#include <algorithm>

#include "ui/ui.h"
#include "ui/ui_impl.h"

namespace klvc::ui {

// ---------------------------------------------------------------- timers

void Ui::set_timer(const void* owner, int id, int period_ms, std::function<void()> fire) {
  int period = std::max(1, period_ms);
  impl_->timers[{owner, id}] = Impl::Timer{clock().now_ms() + period, period, ++impl_->timer_seq,
                                           std::make_shared<std::function<void()>>(std::move(fire))};
}

void Ui::kill_timer(const void* owner, int id) { impl_->timers.erase({owner, id}); }

void Ui::kill_timers_of(const void* owner) {
  auto& t = impl_->timers;
  for (auto it = t.begin(); it != t.end();) it = it->first.first == owner ? t.erase(it) : std::next(it);
}

bool Ui::timer_active(const void* owner, int id) const { return impl_->timers.count({owner, id}) != 0; }

// Fires the earliest timer due at `limit` or before; false when none is due.
bool Ui::Impl::fire_next_due(std::int64_t limit) {
  auto best = timers.end();
  for (auto it = timers.begin(); it != timers.end(); ++it) {
    if (it->second.deadline > limit) continue;
    if (best == timers.end() || it->second.deadline < best->second.deadline ||
        (it->second.deadline == best->second.deadline && it->second.seq < best->second.seq))
      best = it;
  }
  if (best == timers.end()) return false;
  Timer& t = best->second;
  std::int64_t now = backend->clock().now_ms();
  // The next deadline follows the previous one, not the moment of firing, so
  // the timer does not drift; ticks missed while the process was stopped are
  // skipped rather than fired in a burst.
  std::int64_t next = t.deadline + t.period;
  if (next <= now) next += ((now - next) / t.period + 1) * t.period;
  t.deadline = next;
  auto fire = t.fire;  // the callback may kill or replace its own timer
  (*fire)();
  return true;
}

// ---------------------------------------------------------------- posts and the loop

void Ui::post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(impl_->post_mutex);
    impl_->posted.push_back(std::move(fn));
  }
  std::uint64_t one = 1;
  ssize_t n = write(impl_->wake_fd, &one, sizeof one);
  (void)n;  // a full counter still wakes the loop
}

void Ui::run_posted() {
  EntryGuard guard(*impl_);
  std::uint64_t count = 0;
  ssize_t n = read(impl_->wake_fd, &count, sizeof count);
  (void)n;
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(impl_->post_mutex);
    batch.swap(impl_->posted);
  }
  for (auto& fn : batch)
    if (fn) fn();
}

void Ui::quit() {
  impl_->quit = true;
  std::uint64_t one = 1;
  ssize_t n = write(impl_->wake_fd, &one, sizeof one);
  (void)n;
}

bool Ui::quitting() const { return impl_->quit; }

void Ui::Impl::request_close() {
  if (close_handler) {
    close_handler();
  } else {
    self->quit();
  }
}

void Ui::Impl::terminate(int signal_number) {
  if (terminate_handler) terminate_handler(signal_number);
  self->quit();  // whatever the handler did, nobody is left to answer
}

void Ui::run_once(int max_wait_ms) {
  EntryGuard guard(*impl_);
  Impl& m = *impl_;
  bool have_posts;
  {
    std::lock_guard<std::mutex> lock(m.post_mutex);
    have_posts = !m.posted.empty();
  }
  int timeout = max_wait_ms;
  if (have_posts || m.quit) timeout = 0;
  if (!m.timers.empty()) {
    std::int64_t next = m.timers.begin()->second.deadline;
    for (const auto& [key, t] : m.timers) next = std::min(next, t.deadline);
    std::int64_t wait = next - clock().now_ms();
    if (wait <= 0) {
      timeout = 0;
    } else if (m.backend->real_time() && (timeout < 0 || wait < timeout)) {
      timeout = static_cast<int>(std::min<std::int64_t>(wait, 1 << 30));
    }
  }
  if (m.backend->real_time() && !m.presented) {
    m.backend->present(render());  // the first frame does not wait for the first event
    m.presented = true;
  }
  std::vector<Event> events;
  m.backend->wait(timeout, m.wake_fd, events);
  if (int sig = m.backend->take_terminate_request()) {
    m.terminate(sig);
    return;
  }
  if (m.backend->take_close_request()) m.request_close();
  for (const Event& e : events) m.dispatch(e);
  run_posted();
  std::int64_t now = clock().now_ms();
  // Each due timer fires once here; one that is still due fires on the next pass.
  std::size_t budget = m.timers.size();
  while (budget-- > 0 && m.fire_next_due(now)) {
  }
  if (!m.backend->real_time()) return;
  if (!m.boxes.empty() && !m.boxes.front().drawn) {
    m.boxes.front().drawn = true;
    // Keys typed before this box appeared were meant for what was on screen
    // then: those already read before the box is written. Read after the
    // write, a quick answer to the box could be taken for one of them.
    std::vector<Event> early;
    m.backend->wait(0, -1, early);
    m.draining_before_box = true;
    for (const Event& e : early) m.dispatch(e);
    m.draining_before_box = false;
  }
  m.backend->present(render());
}

void Ui::run() {
  while (!impl_->quit) {
    impl_->reap();
    run_once(-1);
  }
}

}  // namespace klvc::ui
