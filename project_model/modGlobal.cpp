// modGlobal: helpers shared by the classes.
#include "project_model/modGlobal.h"

int32_t GetUpperBound(const std::vector<ProjectEntry>& lpArray, int32_t Dimension) {
    // The lists are one-dimensional; a dimension other than 1 has no bound.
    if (Dimension != 1) return -1;
    return static_cast<int32_t>(lpArray.size()) - 1;
}
