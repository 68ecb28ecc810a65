#ifndef VN_REPORTING_STATUSSERVER_H
#define VN_REPORTING_STATUSSERVER_H

#include <tinyxml.h>

struct ProgressRecord;

// The status service: a detached process that holds lock slot 1 and answers on TCP port
// 10108 with the state of the shared progress record.

// Asks the live status service to end: SIGTERM to the holder of lock slot 1, when there is one.
void stopStatusServer();

// The "progress" element of a record, as the service's reply and the status report both
// write it: "finished" and "failed" only when true, then an "error" child (failed only),
// "stage" and "step".
TiXmlElement makeProgressElement(const ProgressRecord& record);

#endif
