#include "Reports.h"

namespace shell {

ReportsRecord &reports()
{
    static ReportsRecord record;
    return record;
}

}  // namespace shell
