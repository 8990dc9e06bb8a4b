// The one process-wide chart centre: right ascension in hours, declination in
// degrees. The main screen writes it, directly and through the chart view's
// writexs (which rounds it to float); the chart view's pass reads it, and
// stops at its checkpoints once it has moved since the pass began.
#pragma once

extern double chartCentreRightAscension;
extern double chartCentreDeclination;
