#pragma once

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

typedef struct _XDisplay Display;

// An independent X client that sees every key, button and motion event of the server through the RECORD
// extension, on a thread of its own, with the monotonic time each one reached it.
class XRecordObserver
{
  public:
    struct Event {
        int type = 0;        // KeyPress (2) .. MotionNotify (6)
        unsigned detail = 0; // keycode or button
        int x = 0;           // root position
        int y = 0;
        std::uint32_t serverTime = 0;    // milliseconds
        std::int64_t receivedMicros = 0; // CLOCK_MONOTONIC
    };

    // AtOnce: a listener on the root window makes the server flush after every event, so each one arrives
    // the moment it happens (for timing), at the cost of a delivery of every event to one more client.
    // Batched: only the RECORD connections, which the server writes to when its buffer fills, at the end
    // of a burst and at stop(); what a plain RECORD client costs the server.
    enum class Delivery { AtOnce, Batched };

    explicit XRecordObserver(const char *displayName = nullptr, Delivery delivery = Delivery::AtOnce);
    ~XRecordObserver();
    XRecordObserver(const XRecordObserver &) = delete;
    XRecordObserver &operator=(const XRecordObserver &) = delete;

    // Starts (or starts again) observing; returns when the server delivers to us. False when RECORD is
    // missing.
    bool start();
    // Stops after everything the server did so far has arrived; events() is then complete.
    void stop();
    std::vector<Event> events() const;
    void clear();

    static std::int64_t monotonicMicros();

  private:
    void receive(const unsigned char *data, int length);
    static void callback(char *closure, void *interceptData);

    Display *m_control = nullptr;
    Display *m_data = nullptr;
    // Listens to input on the root window, so the server has output to flush after each event; it releases
    // recorded data only when it flushes output to some client.
    Display *m_listener = nullptr;
    std::thread m_drain;
    int m_wake[2] = {-1, -1};
    unsigned long m_context = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<Event> m_events;
    bool m_started = false;
};
