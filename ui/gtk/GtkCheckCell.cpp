#include "ui/gtk/GtkCheckCell.h"

namespace {

struct CheckCell {
    GtkCellRendererToggle parent;
    gboolean dimmed;
};

struct CheckCellClass {
    GtkCellRendererToggleClass parent;
};

G_DEFINE_TYPE(CheckCell, mv_check_cell, GTK_TYPE_CELL_RENDERER_TOGGLE)

// Drawn as an insensitive box when dimmed; the cell's own sensitivity, which
// decides whether clicks reach it, is left alone.
void RenderCheckCell(GtkCellRenderer* cell, cairo_t* cr, GtkWidget* widget, const GdkRectangle* background,
                     const GdkRectangle* area, GtkCellRendererState flags) {
    if (reinterpret_cast<CheckCell*>(cell)->dimmed)
        flags = static_cast<GtkCellRendererState>(flags | GTK_CELL_RENDERER_INSENSITIVE);
    GTK_CELL_RENDERER_CLASS(mv_check_cell_parent_class)->render(cell, cr, widget, background, area, flags);
}

void mv_check_cell_class_init(CheckCellClass* cellClass) {
    GTK_CELL_RENDERER_CLASS(cellClass)->render = RenderCheckCell;
}

void mv_check_cell_init(CheckCell* cell) {
    cell->dimmed = FALSE;
}

} // namespace

GtkCellRenderer* NewCheckCell() {
    return GTK_CELL_RENDERER(g_object_new(mv_check_cell_get_type(), nullptr));
}

void SetCheckCellDimmed(GtkCellRenderer* cell, bool dimmed) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(cell, mv_check_cell_get_type()))
        reinterpret_cast<CheckCell*>(cell)->dimmed = dimmed;
}
