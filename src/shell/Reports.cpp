#include "Reports.h"

namespace shell {

ReportsRecord &Reports()
{
    static ReportsRecord record;
    return record;
}

}  // namespace shell
