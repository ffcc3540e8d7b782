#include "CPageView.h"

#include "AppContext.h"
#include "CChildFrame.h"

namespace morlo::gui {

CPageView::CPageView(AppContext& context, QWidget* parent)
    : QWidget(parent), context_(context), id_(context.Dispatcher().Register(this)) {}

CPageView::~CPageView() {
    context_.Dispatcher().Unregister(id_);
    context_.Link().DeactivateWindow(id_);
}

void CPageView::PageNotify(int) {}

void CPageView::ObjectChosen(ObjectKey) {}

void CPageView::OnResult(const engine::Delivery&) {}

void CPageView::FitFrame() {
    FitFrameAround(this);
}

}  // namespace morlo::gui
