// Why a log could not be read: the reason that an unreadable machine's row
// gives.
#ifndef QN_REPORT_READ_FAILURE_H
#define QN_REPORT_READ_FAILURE_H

enum ReadFailure {
  kReadWhole,  // no failure: the log was read to its end
  kReadTimedOut,
  kReadNotFound,
  kReadAccessDenied,
  kReadNetworkPathNotFound,
  kReadFailed,  // any other reason
};

// "timed out", "not found", "access denied", "network path not found",
// "cannot be read"; an empty text for kReadWhole.
const char* readFailureText(ReadFailure failure);

#endif  // QN_REPORT_READ_FAILURE_H
