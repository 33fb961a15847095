// The texts of the transfer status codes, for log lines.
#pragma once

// "success", "bad file", ... for codes 0 to 14; the two codes a download can
// end with after its data arrived have short texts of their own.
const char* TransferStatusText(int code);
