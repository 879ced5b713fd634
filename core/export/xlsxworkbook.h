#pragma once
#include "core/export/xlsworkbook.h"
#include <QString>

// The sheet of an .xls export as an Office Open XML workbook (.xlsx), for records past what an .xls
// sheet holds. libxlsxwriter writes it.
namespace xlsx {

// Writes sheet to path with the cells of the .xls workbook at the same places, numbers shown with
// xls::Sheet::numberFormat() and dates with dateFormat(). Through safefile::writeThrough, as
// xls::writeWorkbook does: a failure leaves the earlier file as it was and no temporary file. False
// with a reason in *error.
bool writeWorkbook(const QString &path, const xls::Sheet &sheet, QString *error);

} // namespace xlsx
