#include "ui/changelog/background_fetch.h"

#include <QEventLoop>
#include <atomic>
#include <system_error>
#include <thread>

#include "net/http_client.h"
#include "ui/thread_waker.h"

namespace kestrow::ui {

changelog::ChangeLogText FetchServingEvents(const std::string& url) {
    net::HttpClient client(changelog::ChangeLogHttpSettings());
    changelog::ChangeLogText result;
    std::atomic<bool> done{false};
    QEventLoop wait;
    // Woken through a pipe, not a posted event: the hand-over stays visible to
    // the thread sanitizer.
    ThreadWaker finished;
    QObject::connect(&finished, &ThreadWaker::Woken, &wait, &QEventLoop::quit);
    {
        std::jthread fetch;
        try {
            fetch = std::jthread([&] {
                result = changelog::FetchChangeLog(client, url);
                done.store(true);
                finished.Wake();
            });
        } catch (const std::system_error&) {
            // No thread to be had: the request blocks this thread instead.
            return changelog::FetchChangeLog(client, url);
        }
        if (!done.load())
            wait.exec(QEventLoop::ExcludeUserInputEvents);
        // The loop also ends when the application quits; do not hold it up.
        if (!done.load())
            client.Disconnect();
    }  // joined here, before the loop it posts to goes away
    return result;
}

}  // namespace kestrow::ui
