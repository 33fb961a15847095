#include "ui/gtk/GlibWaiter.h"

#include <glib.h>

#include <vector>

namespace {

struct KernelSource {
    GSource base;
    pollfd* fds;
    std::vector<gpointer>* tags;
    int ready;
};

// Readiness is only defined while the source is checked or dispatched, so
// the descriptors' results are taken here.
gboolean Dispatch(GSource* source, GSourceFunc /*callback*/, gpointer /*data*/) {
    auto* kernel = reinterpret_cast<KernelSource*>(source);
    kernel->ready = 0;
    for (size_t i = 0; i < kernel->tags->size(); ++i) {
        const GIOCondition condition = g_source_query_unix_fd(source, (*kernel->tags)[i]);
        short revents = 0;
        if (condition & G_IO_IN)
            revents |= POLLIN;
        if (condition & G_IO_HUP)
            revents |= POLLHUP;
        if (condition & G_IO_ERR)
            revents |= POLLERR;
        kernel->fds[i].revents = revents;
        kernel->ready += revents != 0 ? 1 : 0;
    }
    g_source_set_ready_time(source, -1);
    return G_SOURCE_CONTINUE;
}

GSourceFuncs kFuncs = {nullptr, nullptr, Dispatch, nullptr, nullptr, nullptr};

} // namespace

int GlibWaiter::Wait(pollfd* fds, size_t count, int timeoutMs) {
    for (size_t i = 0; i < count; ++i)
        fds[i].revents = 0;
    std::vector<gpointer> tags;
    auto* source = reinterpret_cast<KernelSource*>(g_source_new(&kFuncs, sizeof(KernelSource)));
    source->fds = fds;
    source->tags = &tags;
    source->ready = 0;
    for (size_t i = 0; i < count; ++i)
        tags.push_back(g_source_add_unix_fd(&source->base, fds[i].fd,
                                            static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR)));
    if (timeoutMs >= 0)
        g_source_set_ready_time(&source->base,
                                g_get_monotonic_time() + static_cast<gint64>(timeoutMs) * 1000);
    g_source_attach(&source->base, nullptr);
    // One pass: GTK's events or the kernel's descriptors, whichever come.
    g_main_context_iteration(nullptr, TRUE);
    const int ready = source->ready;
    g_source_destroy(&source->base);
    g_source_unref(&source->base);
    return ready;
}
