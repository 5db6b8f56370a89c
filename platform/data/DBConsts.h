#pragma once
// The texts of the dataset framework's errors. Format arguments are %s and %d
// as in Format().

inline constexpr const char16_t* SRecordNotFound = u"Record not found";
inline constexpr const char16_t* SNotEditing = u"Dataset not in edit or insert mode";
inline constexpr const char16_t* SFieldReadOnly = u"Field '%s' cannot be modified";
inline constexpr const char16_t* SNoFieldsDefined = u"No fields defined. Cannot create dataset.";
inline constexpr const char16_t* SFieldNotFound = u"Field '%s' not found";
inline constexpr const char16_t* SInvalidFieldSize = u"Invalid field size";
inline constexpr const char16_t* SDuplicateFieldName = u"Duplicate field name '%s'";
inline constexpr const char16_t* SDataSetClosed = u"Cannot perform this operation on a closed dataset";
inline constexpr const char16_t* SDataSetOpen = u"Cannot perform this operation on an open dataset";
inline constexpr const char16_t* SDataSetEmpty = u"Cannot perform this operation on an empty dataset";
inline constexpr const char16_t* SDataSetReadOnly = u"Cannot modify a read-only dataset";
inline constexpr const char16_t* SFieldRequired = u"Field '%s' must have a value";
inline constexpr const char16_t* SFieldTypeMismatch = u"Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char16_t* SFieldRangeError =
    u"%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char16_t* SInvalidIntegerValue = u"'%s' is not a valid integer value for field '%s'";
inline constexpr const char16_t* SInvalidFloatValue = u"'%s' is not a valid floating point value for field '%s'";
inline constexpr const char16_t* SInvalidBoolValue = u"'%s' is not a valid boolean value for field '%s'";
inline constexpr const char16_t* SInvalidDateValue = u"'%s' is not a valid date and time value for field '%s'";
inline constexpr const char16_t* SFieldAccessError = u"Cannot access field '%s' as type %s";
inline constexpr const char16_t* SNotBlobField = u"Field '%s' is not a blob field";
inline constexpr const char16_t* SInvalidCalcType = u"Field '%s' cannot be a calculated or lookup field";
inline constexpr const char16_t* SLookupInfoError = u"Lookup information for field '%s' is incomplete";
inline constexpr const char16_t* SCircularDataLink = u"Circular datalinks are not allowed";
inline constexpr const char16_t* SFieldIndexError = u"Field index out of range";
inline constexpr const char16_t* SNoDataSet = u"No dataset association";
inline constexpr const char16_t* SDataSourceChange = u"DataSource cannot be changed";
inline constexpr const char16_t* SDataSetMissing = u"Field '%s' has no dataset";
inline constexpr const char16_t* SParameterNotFound = u"Parameter '%s' not found";
inline constexpr const char16_t* SIndexNotFound = u"Index '%s' not found";
inline constexpr const char16_t* SInvalidFieldKind = u"Invalid FieldKind";
inline constexpr const char16_t* SFieldDefNotFound = u"Field definition '%s' not found";
inline constexpr const char16_t* SUnknownFieldType = u"Field '%s' is of an unknown type";
inline constexpr const char16_t* SNotInDataSet = u"Field '%s' is not in the dataset";
