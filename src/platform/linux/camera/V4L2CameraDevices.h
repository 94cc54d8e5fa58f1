#pragma once

#include "signals/CameraDevices.h"

#include <QString>

#include <string>
#include <sys/types.h>
#include <vector>

// The machine's cameras as Video4Linux capture nodes, and whether another process holds one open.
//
// A node videoN is a camera when udev's database lists capture among its capabilities
// (ID_V4L_CAPABILITIES, which udev read with VIDIOC_QUERYCAP); where udev has no record, when
// sysfs gives it index 0, the first node of its device (a webcam's second node carries metadata).
// Nodes are never opened here: opening one would power the camera up.
//
// A camera is in use while a process other than this one has the node among its open files
// (/proc/<pid>/fd). The sound and video daemons (pipewire, wireplumber, pipewire-media-session)
// keep nodes open while idle and do not count. Processes of other users are not visible.
//
// Scanning /proc is costly, so it happens only after inotify reported an open or close of a node,
// or a node appeared in or left /dev; otherwise cameras() answers from memory with one
// non-blocking read. A node that cannot be watched (no read permission) is rescanned on every call.
// Main thread only.
class V4L2CameraDevices : public CameraDevices {
public:
    // Where the system's trees are; tests point these at fakes.
    struct Roots {
        std::string dev;
        std::string proc;
        std::string sys;
        std::string udevData;
    };
    static Roots systemRoots();

    V4L2CameraDevices();
    explicit V4L2CameraDevices(Roots roots);
    ~V4L2CameraDevices() override;
    V4L2CameraDevices(const V4L2CameraDevices &) = delete;
    V4L2CameraDevices &operator=(const V4L2CameraDevices &) = delete;

    std::vector<CameraDevice> cameras() override;

private:
    struct Node {
        std::string name; // "video0"
        std::string path; // under the dev root
        int watch = -1;
        bool inUse = false;
    };

    void setUpWatching();
    void drainEvents();
    void enumerate();
    bool isCapture(const std::string &name) const;
    void scanUsage();
    bool isIdleDaemon(int procFd, const char *pid) const;

    Roots m_roots;
    pid_t m_ownPid;
    int m_inotify = -1;
    int m_devWatch = -1;
    bool m_listStale = true;
    bool m_usageStale = true;
    std::vector<Node> m_nodes;
    std::vector<CameraDevice> m_answer;
};
