#include "client/media/PrintSource.h"

#include "client/media/print/FingerPrinter2.h"
#include "client/media/print/PrintKeys.h"

bool CalcPrintInProcess(const std::wstring& path, std::string& print, uint32_t& printSecs) {
    std::vector<PrintEntry> entries;
    std::vector<uint32_t> keys;
    uint32_t secs = 0;
    {
        FingerPrinter2 printer(path);
        if (!printer.CalcPrint(entries, keys, secs))
            return false;
    }
    print = PrintToText(entries);
    printSecs = secs;
    return true;
}
