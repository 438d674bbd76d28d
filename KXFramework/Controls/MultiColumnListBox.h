#pragma once
// A table shown as list boxes side by side ("listboxNoScroll1", ...) under header buttons
// ("buttonColumnHeader1", ...). Selection, hover and vertical scrolling of the columns move
// together, so that a row behaves as one item; a header click sorts the whole table by its column,
// ascending and descending in turn.
// Thread: UI thread only.
#include "KXFramework/ControlBase/ControlWithHandler.h"
#include "KXFramework/Controls/Panel.h"

#include <cstdint>
#include <vector>

namespace KX {

class LButton;
class LListBox;

class LMultiColumnListBox : public LControlWithHandler<LPanel, LMultiColumnListBox> {
public:
    using LControlWithHandler::LControlWithHandler;

    KXRESULT BreakCycles() override;
    void ScrollContents(const PointT<double>& oldOffset, const PointT<double>& newOffset) override;
    [[nodiscard]] KXRESULT OnChildRectChanged(const RCPtr<LControl>& child) override;
    RectT<double> GetVisibleClientRect() const override;
    // With header buttons: 1 when there are as many as columns, else 0.
    [[nodiscard]] KXRESULT Initialize() override;
    [[nodiscard]] KXRESULT PostInitialize() override;

    // Sorts every row by the texts of the column; a column past the last sorts nothing.
    void PerformSort(int32_t column);
    // Empty for a column or row past the last.
    void GetCellText(String& out, int32_t column, int32_t row) const;

    int32_t GetColumnCount() const { return int32_t(m_columns.size()); }
    const RCPtr<LListBox>& GetColumn(int32_t index) const { return m_columns[size_t(index)]; }
    int32_t GetHeaderCount() const { return int32_t(m_headers.size()); }

private:
    [[nodiscard]] KXRESULT OnColumnSelectionChange(const RCPtr<LNotificationDistributor>& sender,
                                                   const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnColumnItemHover(const RCPtr<LNotificationDistributor>& sender,
                                             const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnColumnItemActivated(const RCPtr<LNotificationDistributor>& sender,
                                                 const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnColumnItemDoubleClicked(const RCPtr<LNotificationDistributor>& sender,
                                                     const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnColumnScrolled(const RCPtr<LNotificationDistributor>& sender,
                                            const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnColumnExtentChanged(const RCPtr<LNotificationDistributor>& sender,
                                                 const RCPtr<LNotification>& n);
    [[nodiscard]] KXRESULT OnHeaderClicked(const RCPtr<LNotificationDistributor>& sender,
                                           const RCPtr<LNotification>& n);

    int32_t FindColumn(const LNotificationDistributor* sender) const;
    void UpdateTableExtent();
    void Send(const char16_t* name);

    std::vector<RCPtr<LListBox>> m_columns;
    std::vector<RCPtr<LButton>> m_headers;
    std::vector<bool> m_ascending;
    // Set while the table changes its columns itself: their selection and scroll notifications
    // are its own echo.
    bool m_mirroring = false;
    bool m_syncingScroll = false;
};

} // namespace KX
