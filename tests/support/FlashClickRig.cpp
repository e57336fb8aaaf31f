#include "support/FlashClickRig.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <alsa/asoundlib.h>

#include <cmath>
#include <mutex>
#include <optional>
#include <numbers>
#include <random>
#include <string>

namespace kvtest {
namespace {

using Clock = std::chrono::steady_clock;

double Now() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

Display* AsDisplay(void* d) { return static_cast<Display*>(d); }
snd_pcm_t* AsPcm(void* p) { return static_cast<snd_pcm_t*>(p); }

// The recorded window goes away with the recorder; drawing into it then is
// no fault of the test.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// The stream keeps this little queued: the click is heard soon after it is written.
constexpr unsigned kStreamLatencyUs = 30000;
constexpr double kClickSeconds = 0.010;
constexpr double kClickHz = 3000;

}  // namespace

FlashClickRig::FlashClickRig(FlashRigOptions options) : m_options(options) {}

FlashClickRig::~FlashClickRig() {
    Stop();
    if (m_pcm) snd_pcm_close(AsPcm(m_pcm));
    if (m_display) {
        if (m_gc) XFreeGC(AsDisplay(m_display), static_cast<GC>(m_gc));
        if (m_window) XDestroyWindow(AsDisplay(m_display), m_window);
        XCloseDisplay(AsDisplay(m_display));
    }
}

bool FlashClickRig::Open(unsigned long parent, std::string& error) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return error = "cannot open the display", false;
    m_display = display;
    XSetErrorHandler(IgnoreXErrors);
    m_window = XCreateSimpleWindow(display, parent, m_options.x, m_options.y, m_options.size, m_options.size, 0,
                                   0, kFlashBlack);
    m_gc = XCreateGC(display, m_window, 0, nullptr);
    XMapRaised(display, m_window);
    Draw(kFlashBlack);

    snd_pcm_t* pcm = nullptr;
    if (int code = snd_pcm_open(&pcm, "pulse", SND_PCM_STREAM_PLAYBACK, 0); code < 0)
        return error = std::string("cannot open the click stream: ") + snd_strerror(code), false;
    m_pcm = pcm;
    if (int code = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                      m_options.rate, 1, kStreamLatencyUs);
        code < 0)
        return error = std::string("cannot set up the click stream: ") + snd_strerror(code), false;
    snd_pcm_uframes_t buffer = 0, period = 0;
    snd_pcm_get_params(pcm, &buffer, &period);
    m_period = period > 0 ? static_cast<long>(period) : static_cast<long>(m_options.rate / 200);
    return true;
}

void FlashClickRig::Start() {
    if (!m_pcm || m_thread.joinable()) return;
    m_stop = false;
    m_feeder = std::thread([this] { Feed(); });
    m_thread = std::thread([this] { Run(); });
}

void FlashClickRig::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    if (m_feeder.joinable()) m_feeder.join();
}

void FlashClickRig::Draw(std::uint32_t colour) {
    Display* display = AsDisplay(m_display);
    XSetForeground(display, static_cast<GC>(m_gc), colour);
    XFillRectangle(display, m_window, static_cast<GC>(m_gc), 0, 0, m_options.size, m_options.size);
    XSync(display, False);
}

long FlashClickRig::WriteFrames(const std::int16_t* frames, long count) {
    snd_pcm_t* pcm = AsPcm(m_pcm);
    long done = 0;
    while (done < count) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, frames + done, static_cast<snd_pcm_uframes_t>(count - done));
        if (n < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) return done;
            continue;
        }
        done += n;
    }
    return done;
}

void FlashClickRig::Run() {
    std::mt19937 random(m_options.seed);
    std::uniform_real_distribution<double> gap(m_options.minGap, m_options.maxGap);
    std::uint32_t colour = kFlashBlack;
    double next = Now() + gap(random);
    while (!m_stop) {
        if (Now() < next) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        colour = colour == kFlashBlack ? kFlashWhite : kFlashBlack;
        Draw(colour);
        const double shown = Now();
        {
            std::lock_guard lock(m_mutex);
            m_asked = Flash{shown, 0, colour, true};
        }
        next = shown + gap(random);
    }
}

void FlashClickRig::Feed() {
    const unsigned rate = m_options.rate;
    std::vector<std::int16_t> silence(static_cast<std::size_t>(m_period), 0);
    std::vector<std::int16_t> click(static_cast<std::size_t>(kClickSeconds * rate));
    for (std::size_t i = 0; i < click.size(); ++i)
        click[i] = static_cast<std::int16_t>(26000 * std::sin(2 * std::numbers::pi * kClickHz * double(i) / rate));
    // The stream runs all the time (silence between clicks), so a click never
    // waits for a stream to start, and its latency is the queue ahead of it.
    // Drawing happens on the other thread: a slow X server never lets this
    // queue run dry.
    while (!m_stop) {
        std::optional<Flash> flash;
        {
            std::lock_guard lock(m_mutex);
            flash.swap(m_asked);
        }
        if (!flash) {
            WriteFrames(silence.data(), m_period);
            continue;
        }
        snd_pcm_sframes_t queued = 0;
        if (snd_pcm_delay(AsPcm(m_pcm), &queued) < 0) queued = 0;
        const double written = Now();
        WriteFrames(click.data(), static_cast<long>(click.size()));
        flash->clickLatency = (written - flash->shownAt) + double(queued) / rate;
        // With less than half a write queued the stream may have run dry,
        // and then the click is heard later than its queue says.
        flash->steady = queued >= m_period / 2;
        m_flashes.push_back(*flash);
    }
}

unsigned long FindContainerWindow(int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    XSetErrorHandler(IgnoreXErrors);  // a window may go while it is looked at
    unsigned long found = 0;
    Window root = 0, parent = 0, *tops = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &tops, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes top;
            if (!XGetWindowAttributes(display, tops[i], &top) || top.map_state != IsViewable || top.width != width)
                continue;
            Window* children = nullptr;
            unsigned n = 0;
            if (!XQueryTree(display, tops[i], &root, &parent, &children, &n)) continue;
            for (unsigned k = 0; k < n && !found; ++k) {
                XWindowAttributes child;
                if (XGetWindowAttributes(display, children[k], &child) && child.x == 0 && child.y == 0 &&
                    child.width == width && child.height == height && child.map_state == IsViewable)
                    found = tops[i];
            }
            if (children) XFree(children);
        }
        if (tops) XFree(tops);
    }
    XCloseDisplay(display);
    return found;
}

}  // namespace kvtest
