// Building the structure from a dataset's fields and back: AssignProps,
// BuildFromFields and FillFieldDefs.

#include "memtable/MemTableDataEh.h"

void TMTDataFieldEh::AssignProps(TField*) {}
void TMTStringDataFieldEh::AssignProps(TField* Field) { TMTDataFieldEh::AssignProps(Field); }
void TMTNumericDataFieldEh::AssignProps(TField* Field) { TMTDataFieldEh::AssignProps(Field); }
void TMTDateTimeDataFieldEh::AssignProps(TField* Field) { TMTDataFieldEh::AssignProps(Field); }
void TMTBlobDataFieldEh::AssignProps(TField* Field) { TMTDataFieldEh::AssignProps(Field); }
void TMTBooleanDataFieldEh::AssignProps(TField* Field) { TMTDataFieldEh::AssignProps(Field); }
void TMTSQLTimeStampDataFieldEh::AssignProps(TField* Field) { TMTDataFieldEh::AssignProps(Field); }
void TMTDataStructEh::BuildFromFields(TFields*) {}
void TMTDataStructEh::FillFieldDefs(TFieldDefs*) const {}
