#pragma once
// The piece-work listing: a month of records, one row per record or one per employee line, from
// which records are added, modified, deleted, printed and exported.
#include "piecework/PieceListing.h"

#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace jjgz {

class DataTable;
class DbGrid;
class GridPrinter;
struct RecordHeader;

class TfrmJjData : public QWidget {
    Q_OBJECT
public:
    explicit TfrmJjData(QWidget *parent = nullptr);
    ~TfrmJjData() override;

    QToolBar *ToolBar1;
    QAction *btnQuery;
    QAction *btnAdd;
    QAction *btnEdit;
    QAction *btnDel;
    QAction *btnPrint;
    QAction *btnSetup;
    QAction *btnExport;
    QAction *btnImport;
    QAction *btnClose;
    QLabel *lblCaption;
    QLabel *lblTitle;
    DbGrid *grid;
    DataTable *tmp; // the list
    QMenu *pmGrid;

    // Runs `query` in this window and shows its month in the title label.
    void runQuery(const ListingQuery &query);
    const ListingQuery &currentQuery() const { return m_query; }
    const PieceLookups &lookups() const { return m_lookups; }
    // The header of the selected row as the record dialog receives it (false when the list is empty).
    bool currentHeader(RecordHeader &header) const;
    void setUpPrint(GridPrinter &printer) const;

    void btnQueryClick();
    void btnAddClick();
    void btnEditClick();
    void btnDelClick();
    void btnPrintClick();
    void btnSetupClick();
    void btnExportClick();
    void btnImportClick();
    void btnCloseClick();

private:
    void reread();
    void showLineColumns();
    PieceLookups m_lookups;
    ListingQuery m_query;
};

// The main window's 计件数据录入: the filter dialog (kept between uses), then on its confirmation
// a new listing window, maximised.
void openPieceWork(QWidget *mainWindow, int mode);

} // namespace jjgz
