// Owners for GLib objects and GTK top-level widgets.
#pragma once

#include <gtk/gtk.h>

#include <utility>

// Owns `T` and releases it with `kRelease`. A floating reference is sunk
// when taken over, so the owner always holds a full one.
template <typename T, void (*kRelease)(T*)> class GOwner {
  public:
    GOwner() = default;
    explicit GOwner(T* object) : m_object(object) {
        if (m_object && g_object_is_floating(m_object))
            g_object_ref_sink(m_object);
    }
    ~GOwner() { Reset(); }
    GOwner(GOwner&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    GOwner& operator=(GOwner&& other) noexcept {
        if (this != &other) {
            Reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }
    GOwner(const GOwner&) = delete;
    GOwner& operator=(const GOwner&) = delete;

    T* Get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    void Reset() {
        if (m_object)
            kRelease(m_object);
        m_object = nullptr;
    }

  private:
    T* m_object = nullptr;
};

template <typename T> void UnrefObject(T* object) {
    g_object_unref(object);
}
inline void DestroyWidget(GtkWidget* widget) {
    gtk_widget_destroy(widget);
}

// One full reference to a GObject.
template <typename T> using GObjectRef = GOwner<T, UnrefObject<T>>;
// A top-level window, destroyed with its owner.
using WindowOwner = GOwner<GtkWidget, DestroyWidget>;
