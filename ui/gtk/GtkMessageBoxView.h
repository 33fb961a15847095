// Message boxes as GTK message dialogs, answered when the user presses a
// button or closes the box (which counts as Cancel, or as OK for a box
// without Cancel).
#pragma once

#include "ui/present/MessageBoxView.h"

#include <gtk/gtk.h>

#include <list>

class GtkMessageBoxView final : public MessageBoxView {
  public:
    ~GtkMessageBoxView() override;

    void Show(const MessageBoxRequest& request, std::function<void(int)> answer) override;
    void Dismiss() override;

  private:
    struct OpenBox {
        GtkMessageBoxView* view;
        GtkWidget* window;
        bool hasCancel;
        std::function<void(int)> answer;
    };

    static void OnResponse(GtkDialog* dialog, gint response, gpointer data);
    void Close(OpenBox* box);

    std::list<OpenBox> m_boxes;
};
