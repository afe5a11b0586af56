// Lanroster: writes the network adapters that have IPv6 enabled, with their
// hardware and IPv6 unicast addresses, as one line of JSON on standard output.
// Exit codes: 0 the document was written; 1 the adapters could not be enumerated,
// or the document not written; -1 the socket library did not start.
#include "adapter_report.h"

int main(int, char**) {
    // Arguments are ignored: the report has no options.
    if (!startSocketLibrary()) {
        return -1;
    }
    bool written = printAdapters();
    stopSocketLibrary();
    return written ? 0 : 1;
}
