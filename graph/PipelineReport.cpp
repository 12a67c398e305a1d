#include "graph/PipelineReport.h"

namespace
{
const char* taskState(GstPad* pad)
{
    GstTask* task = GST_PAD_TASK(pad);
    if (!task) return "";
    switch (gst_task_get_state(task)) {
    case GST_TASK_STARTED:
        return " task=started";
    case GST_TASK_PAUSED:
        return " task=paused";
    default:
        return " task=stopped";
    }
}

void describePad(GstPad* pad, QString& out)
{
    GST_OBJECT_LOCK(pad);
    const bool flushing = GST_PAD_IS_FLUSHING(pad);
    const bool eos = GST_PAD_IS_EOS(pad);
    const bool blocked = GST_PAD_IS_BLOCKED(pad);
    const char* task = taskState(pad);
    GST_OBJECT_UNLOCK(pad);
    out += QStringLiteral("    %1 %2%3%4%5 flow=%6%7")
               .arg(QString::fromUtf8(GST_PAD_NAME(pad)),
                   GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? QStringLiteral("src") : QStringLiteral("sink"),
                   flushing ? QStringLiteral(" flushing") : QString(),
                   eos ? QStringLiteral(" eos") : QString(), blocked ? QStringLiteral(" blocked") : QString(),
                   QString::fromUtf8(gst_flow_get_name(gst_pad_get_last_flow_return(pad))),
                   QString::fromUtf8(task));
    if (!gst_pad_is_linked(pad)) out += QStringLiteral(" unlinked");
    if (GstEvent* event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0)) {
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(event, &segment);
        out += QStringLiteral(" segment start=%1 time=%2 base=%3 position=%4")
                   .arg(qint64(segment->start))
                   .arg(qint64(segment->time))
                   .arg(qint64(segment->base))
                   .arg(qint64(segment->position));
        gst_event_unref(event);
    }
    out += QLatin1Char('\n');
}

void describeElement(GstElement* element, int depth, QString& out)
{
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn r = gst_element_get_state(element, &current, &pending, 0);
    out += QStringLiteral("%1%2 (%3) %4 -> %5 [%6]\n")
               .arg(QString(depth * 2, QLatin1Char(' ')), QString::fromUtf8(GST_ELEMENT_NAME(element)),
                   QString::fromUtf8(G_OBJECT_TYPE_NAME(element)),
                   QString::fromUtf8(gst_element_state_get_name(current)),
                   QString::fromUtf8(gst_element_state_get_name(pending)),
                   QString::fromUtf8(gst_element_state_change_return_get_name(r)));
    GstIterator* pads = gst_element_iterate_pads(element);
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
        describePad(GST_PAD(g_value_get_object(&item)), out);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(pads);
    if (!GST_IS_BIN(element)) return;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(element));
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        describeElement(GST_ELEMENT(g_value_get_object(&item)), depth + 1, out);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
}
} // namespace

QString DescribePipeline(GstElement* top)
{
    QString out;
    if (top) describeElement(top, 0, out);
    return out;
}
