#include "TableNetwork.h"

const char* const kTableNetwork = R"({
  "supportedModels": ["KTR-100", "KTR-200"],
  "ports": [{"port": 1, "counters": [
    {"address": 1, "model": "KTR-100", "sizes": [0.3, 0.5, 1.0, 2.5],
     "calibration": [[0.3, 100], [0.5, 150.5], [1, 400], [2.5, 1200.25]]},
    {"address": 2, "model": "KTR-100", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]]},
    {"address": 3, "model": "KTR-200", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]]},
    {"address": 4, "model": "KTR-100", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]],
     "faults": {"echoStopsAfter": 20}},
    {"address": 5, "model": "KTR-100", "sizes": [5], "calibration": [[1, 1], [2, 2], [3, 3]]}]}]
})";
