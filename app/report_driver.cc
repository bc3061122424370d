#include "app/report_driver.h"

namespace app {

void ReportDriver::Run() {
  page_number_ = 0;
  WalkUnits(env_, params_, records_, handler_, counts_);
}

}  // namespace app
