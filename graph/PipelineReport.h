#pragma once
// A readable account of where a pipeline stands: every element with its
// state and the state it is going to, every pad with its flags, its last
// flow, its segment and whether its task runs. Printed when a wait for the
// pipeline gives up, so that a stall seen once on a loaded machine says
// where the data stopped.

#include <QString>
#include <gst/gst.h>

QString DescribePipeline(GstElement* top);
