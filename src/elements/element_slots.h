#pragma once
// The element slots are the currency between the tree, the data list, the loading job, the
// navigation history and the list settings.

namespace quillet {

constexpr int kNoSlot = -1;
constexpr int kSlotDatabase = 1;
constexpr int kSlotTables = 2;
constexpr int kSlotProcedures = 3;
constexpr int kSlotViews = 4;
constexpr int kSlotTable = 5;
constexpr int kSlotView = 6;
constexpr int kSlotCount = 7;  // index 0 holds no element

// Indexes into the tree's and the list's image list.
constexpr int kImageNone = -1;
constexpr int kImageDatabase = 0;
constexpr int kImageTablesFolder = 1;
constexpr int kImageProceduresFolder = 2;
constexpr int kImageViewsFolder = 3;
constexpr int kImageTable = 4;
constexpr int kImageProcedure = 5;
constexpr int kImageView = 6;

// Texts the elements use by id.
namespace ids {
constexpr unsigned kDataBase = 57502;
constexpr unsigned kTables = 57503;
constexpr unsigned kProcedures = 57504;
constexpr unsigned kViews = 57505;
constexpr unsigned kTable = 57506;
constexpr unsigned kView = 57507;
constexpr unsigned kNameColumn = 57601;
constexpr unsigned kObjectCountPane = 57391;
constexpr unsigned kRowStatusPane = 57392;
// Paging texts.
constexpr unsigned kCountingRowsText = 64600;
constexpr unsigned kLoadingPageText = 64601;
constexpr unsigned kRowsOfText = 64602;
constexpr unsigned kNoRowsText = 64603;
constexpr unsigned kGoToRowTitle = 64604;
constexpr unsigned kGoToRowPrompt = 64605;
constexpr unsigned kPageLabel = 64606;
constexpr unsigned kStoppingText = 64650;
constexpr unsigned kExportingText = 64660;
constexpr unsigned kExportedText = 64661;
constexpr unsigned kExportStoppedText = 64662;
constexpr unsigned kExportFailedText = 64663;
constexpr unsigned kElementStatusPane = 57393;
constexpr unsigned kErrorCaption = 60000;
constexpr unsigned kUnknownError = 60004;
constexpr unsigned kContextColumns = 60006;
constexpr unsigned kContextField = 60009;
constexpr unsigned kContextTableData = 60010;
constexpr unsigned kContextElementFetch = 60011;
constexpr unsigned kContextElementOpen = 60012;
}  // namespace ids

}  // namespace quillet
