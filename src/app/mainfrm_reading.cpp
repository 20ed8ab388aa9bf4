// The reading commands of the main frame: page, volume and hit navigation,
// their enable rules, the page box and the slider release. They work on the
// navigation form's state.
#include "app/mainfrm.h"

// Filled in with the navigation form: a page of a volume is current.
bool CMainFrame::CanPrevPage() const { return false; }
// Filled in with the navigation form: the current page is not the volume's last.
bool CMainFrame::CanNextPage() const { return false; }
// Filled in with the navigation form: a volume lies before the current one.
bool CMainFrame::CanPrevVolume() const { return false; }
// Filled in with the navigation form: a volume lies after the current one.
bool CMainFrame::CanNextVolume() const { return false; }
// Filled in with the navigation form: a hit anchor lies before the current one.
bool CMainFrame::CanPrevHit() const { return false; }
// Filled in with the navigation form: a hit anchor lies after the current one.
bool CMainFrame::CanNextHit() const { return false; }

// Filled in with the navigation form.
void CMainFrame::OnPrevPage() {}
// Filled in with the navigation form.
void CMainFrame::OnNextPage() {}
// Filled in with the navigation form.
void CMainFrame::OnPrevVolume() {}
// Filled in with the navigation form.
void CMainFrame::OnNextVolume() {}
// Filled in with the navigation form.
void CMainFrame::OnPrevHit() {}
// Filled in with the navigation form.
void CMainFrame::OnNextHit() {}
// Filled in with the navigation form.
void CMainFrame::OnSliderReleased(int) {}
// Filled in with the navigation form.
void CMainFrame::WritePageBox() {}
