#include "collect/SensorTable.h"

#include <fcntl.h>
#include <unistd.h>

namespace orb {
namespace {

int openSource(const std::string &path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

void closeAll(std::vector<int> &fds)
{
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
    fds.clear();
}

} // namespace

SensorTable::~SensorTable()
{
    closeAll(tempFiles);
    closeAll(fanFiles);
    if (batteryFile >= 0)
        ::close(batteryFile);
}

void SensorTable::openFiles()
{
    closeAll(tempFiles);
    closeAll(fanFiles);
    for (const SensorEntry &e : temps)
        tempFiles.push_back(openSource(e.source));
    for (const SensorEntry &e : fans)
        fanFiles.push_back(openSource(e.source));
    if (batteryFile >= 0)
        ::close(batteryFile);
    batteryFile = battery ? openSource(battery->source) : -1;
}

} // namespace orb
