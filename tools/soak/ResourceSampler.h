#pragma once

#include <QDBusConnection>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

// What the process holds at one moment. Counts are -1 where they could not be read.
struct ResourceSample {
    std::int64_t event = 0;
    double simulatedDays = 0;
    std::int64_t rssKiB = 0;
    std::int64_t privateKiB = 0; // private dirty
    int fds = 0;
    int threads = 0;
    int objects = 0;     // live QObjects, every thread but Qt's HTTP threads
    int httpObjects = 0; // live QObjects of Qt's HTTP threads: its cache of idle connections
    int timers = 0;      // active QTimers of the main thread
    int dbusConnections = 0;
    int dbusMatchRules = 0; // of this process's connections on the private session and system buses
    int socketClients = 0;  // the app's connections to the simulated devices
};

// Counts live QObjects through Qt's object hooks (installed before the first QObject is made) and
// reads the rest from /proc. Main thread only, apart from the hooks.
namespace ResourceSampler {

// The name Qt gives each network access manager's thread. Its objects are the manager's
// connections, which Qt keeps for two minutes of real time after their last request.
constexpr char httpThreadName[] = "QNetworkAccessManager thread";

// Must run before QApplication is made.
void installObjectCounter();

// `buses`: the bus connections whose match rules and connections are counted, asked of each bus
// daemon's statistics interface.
ResourceSample sample(const std::vector<QDBusConnection> &buses);

// The live QObjects by class name and the classes of their parent and grandparent ("QTimer <
// QTcpSocket < Owner"), to tell which kind of object a growing count is made of and who holds it.
std::map<QString, int> objectsByClass();

} // namespace ResourceSampler
