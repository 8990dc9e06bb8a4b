// The one process-wide chart centre: right ascension in hours, declination in
// degrees. The main screen writes it; the chart view's pass only reads it.
#pragma once

extern double chartCentreRightAscension;
extern double chartCentreDeclination;
