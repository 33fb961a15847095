#include "ui/gtk/GtkIcons.h"

#include "include/log/Logger.h"

#include <sys/stat.h>

#include <cerrno>

GObjectRef<GdkPixbuf> PixbufFromIcon(const IconImage& icon) {
    GObjectRef<GdkPixbuf> pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, icon.width, icon.height));
    if (!pixbuf)
        return pixbuf;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.Get());
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.Get());
    for (int y = 0; y < icon.height; ++y) {
        guchar* row = pixels + y * stride;
        for (int x = 0; x < icon.width; ++x) {
            const uint32_t argb = icon.argb[static_cast<size_t>(y * icon.width + x)];
            row[x * 4 + 0] = static_cast<guchar>(argb >> 16);
            row[x * 4 + 1] = static_cast<guchar>(argb >> 8);
            row[x * 4 + 2] = static_cast<guchar>(argb);
            row[x * 4 + 3] = static_cast<guchar>(argb >> 24);
        }
    }
    return pixbuf;
}

std::string WriteIconFile(const IconImage& icon, const std::string& folder) {
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        MVLOG(LOG_ERR, "Cannot make the icon folder %s, error %i", folder.c_str(), errno);
        return "";
    }
    const std::string name = "melvane-" + icon.name;
    const std::string path = folder + "/" + name + ".png";
    GObjectRef<GdkPixbuf> pixbuf = PixbufFromIcon(icon);
    GError* error = nullptr;
    if (!pixbuf || !gdk_pixbuf_save(pixbuf.Get(), path.c_str(), "png", &error, nullptr)) {
        MVLOG(LOG_ERR, "Cannot write the icon %s: %s", path.c_str(), error ? error->message : "no picture");
        if (error)
            g_error_free(error);
        return "";
    }
    return name;
}
