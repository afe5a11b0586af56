#include "call_log.h"

#include <mutex>

namespace {
std::mutex logLock;
}

std::vector<CallRecord>& callLog() {
    static std::vector<CallRecord> log;
    return log;
}

std::vector<CallRecord> callsOf(Call call) {
    std::vector<CallRecord> matching;
    for (const CallRecord& record : callLog()) {
        if (record.call == call) matching.push_back(record);
    }
    return matching;
}

void logCall(const CallRecord& record) {
    std::lock_guard<std::mutex> guard(logLock);
    callLog().push_back(record);
}
