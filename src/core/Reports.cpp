#include "Reports.h"

namespace core {

ReportSink &reports()
{
    static ReportSink record;
    return record;
}

}  // namespace core
