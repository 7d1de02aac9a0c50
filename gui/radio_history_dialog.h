#pragma once
// File > "Radio History...": the radios in the alignment record (the bench's, or the shop's when
// one is set), searched by serial number; a radio's jobs; the chosen job's report; and the
// report of the job or of the radio saved as PDF, CSV or HTML.
#include "gui/record_models.h"

#include <QDialog>
#include <QSqlDatabase>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextBrowser;

namespace korvelo {

class HistoryChart;

class RadioHistoryDialog : public QDialog {
    Q_OBJECT
  public:
    // The name to save a report under ("" when the user cancels); the file dialog by default.
    using SaveName = std::function<QString(QWidget* parent, const QString& suggested)>;

    RadioHistoryDialog(QString localPath, QString shopConninfo, QWidget* parent = nullptr,
                       SaveName saveName = {});
    ~RadioHistoryDialog() override;

    QLineEdit* searchEdit() const { return search_; }
    QCheckBox* shopBox() const { return shop_; }
    QTableView* radioView() const { return radios_; }
    QTableView* jobView() const { return jobs_; }
    QTextBrowser* reportView() const { return report_; }
    HistoryChart* chart() const { return chart_; }
    QPushButton* exportJobButton() const { return exportJob_; }
    QPushButton* exportRadioButton() const { return exportRadio_; }
    // The job the bench is recording now: shown without an end.
    void setRunningJob(const QUuid& id);

  private:
    void openDatabase();
    void findRadios();
    void showRadio();
    void showJob();
    void exportReport(bool wholeRadio);

    QString localPath_;
    QString shopConninfo_;
    SaveName saveName_;
    QSqlDatabase db_;
    QString connection_;
    RadioListModel radioModel_;
    JobListModel jobModel_;
    QLineEdit* search_ = nullptr;
    QCheckBox* shop_ = nullptr;
    QTableView* radios_ = nullptr;
    QTableView* jobs_ = nullptr;
    QTextBrowser* report_ = nullptr;
    QPushButton* exportJob_ = nullptr;
    QPushButton* exportRadio_ = nullptr;
    QUuid runningJob_;
    HistoryChart* chart_ = nullptr;
};

} // namespace korvelo
