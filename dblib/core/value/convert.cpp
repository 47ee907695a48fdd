#include "dblib/core/value/convert.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

#include "dblib/core/support/text.h"
#include "dblib/core/value/timestamp.h"
#include "dblib/core/value/variables.h"
#include "dblib/include/sqldef.h"

namespace dblib {

namespace {

constexpr size_t kMaxVariableName = 128;

template <typename T>
T load(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
void store(void* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

// Copies a record just filled field by field, as it was filled: read whole,
// its bytes would wait for each of the narrower writes that made them.
void store_timestamp(char* at, const dbt_timestamp& record) {
  store(at + offsetof(dbt_timestamp, year), record.year);
  store(at + offsetof(dbt_timestamp, month), record.month);
  store(at + offsetof(dbt_timestamp, day_of_week), record.day_of_week);
  store(at + offsetof(dbt_timestamp, day_of_year), record.day_of_year);
  store(at + offsetof(dbt_timestamp, day), record.day);
  store(at + offsetof(dbt_timestamp, hour), record.hour);
  store(at + offsetof(dbt_timestamp, minute), record.minute);
  store(at + offsetof(dbt_timestamp, second), record.second);
  store(at + offsetof(dbt_timestamp, microsecond), record.microsecond);
}

// Makes the value an integer; every integer host type reads through here.
bool set_integer(ValueRef& value, int64_t integer) {
  value.kind = Kind::Integer;
  value.integer = integer;
  return true;
}

// Reads text as a number: an integer when it is one, else a real.
bool parse_number(std::string_view text, ValueRef& out) {
  char buffer[64];
  text = trim(text);
  if (text.empty() || text.size() >= sizeof buffer) return false;
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  char* end = nullptr;
  errno = 0;
  long long integer = std::strtoll(buffer, &end, 10);
  if (*end == '\0' && errno == 0) {
    out.kind = Kind::Integer;
    out.integer = integer;
    return true;
  }
  errno = 0;
  double real = std::strtod(buffer, &end);
  if (*end != '\0' || errno == ERANGE) return false;
  out.kind = Kind::Real;
  out.real = real;
  return true;
}

// The value as a number, or a conversion error naming the host variable.
bool numeric(const ValueRef& value, int index, ValueRef& out, Status& status) {
  if (value.kind == Kind::Integer || value.kind == Kind::Real) {
    out = value;
    return true;
  }
  if (value.kind == Kind::Text && parse_number(std::string_view(value.bytes, value.size), out)) {
    return true;
  }
  return status.fail(DBE_CONVERSION_ERROR,
                     "Cannot convert the value of host variable %d to a "
                     "number",
                     index + 1);
}

// Stores an integer of the destination's width after a range check.
template <typename T>
bool put_integer(const ValueRef& value, void* at, int index, Status& status) {
  ValueRef number;
  if (!numeric(value, index, number, status)) return false;
  if (number.kind == Kind::Integer) {
    bool fits;
    if constexpr (std::is_unsigned_v<T>) {
      fits = number.integer >= 0 &&
             static_cast<unsigned long long>(number.integer) <= std::numeric_limits<T>::max();
    } else {
      fits = number.integer >= std::numeric_limits<T>::min() &&
             number.integer <= std::numeric_limits<T>::max();
    }
    if (!fits) {
      return status.fail(DBE_VALUE_OUT_OF_RANGE, "Value %lld out of range for host variable %d",
                         static_cast<long long>(number.integer), index + 1);
    }
    store<T>(at, static_cast<T>(number.integer));
    return true;
  }
  double truncated = std::trunc(number.real);
  // max() + 1 is a power of two, exact as a double, so the bound is exact too.
  if (!(truncated >= static_cast<double>(std::numeric_limits<T>::min()) &&
        truncated < static_cast<double>(std::numeric_limits<T>::max()) + 1.0)) {
    return status.fail(DBE_VALUE_OUT_OF_RANGE, "Value %g out of range for host variable %d",
                       number.real, index + 1);
  }
  store<T>(at, static_cast<T>(truncated));
  return true;
}

// Copies the bytes of text from offset on into a host buffer of capacity
// bytes; when they do not fit, the indicator tells the value's full length
// and the call warns.
size_t copy_cut(std::string_view text, size_t offset, char* to, size_t capacity, sqlvar& entry,
                Status& status) {
  size_t size = text.size() - offset;
  size_t count = size <= capacity ? size : capacity;
  if (count > 0) std::memcpy(to, text.data() + offset, count);
  if (count < size) {
    if (entry.sqlind != nullptr) {
      *entry.sqlind = static_cast<int16_t>(text.size() > 32767 ? 32767 : text.size());
    }
    status.warn(DBE_TRUNCATED, "Value truncated to %zu of its %zu bytes", count, size);
  }
  return count;
}

}  // namespace

std::string_view text_of(const ValueRef& value, char* scratch) {
  switch (value.kind) {
    case Kind::Integer:
      return std::string_view(
          scratch, static_cast<size_t>(
                       std::snprintf(scratch, 32, "%lld", static_cast<long long>(value.integer))));
    case Kind::Real: {
      // The shortest form that reads back as the same double.
      int n = std::snprintf(scratch, 32, "%.15g", value.real);
      if (std::strtod(scratch, nullptr) != value.real) {
        n = std::snprintf(scratch, 32, "%.17g", value.real);
      }
      return std::string_view(scratch, static_cast<size_t>(n));
    }
    case Kind::Text:
    case Kind::Blob:
      return std::string_view(value.bytes != nullptr ? value.bytes : "", value.size);
    default:
      return {};
  }
}

bool read_input(const sqlvar& entry, int index, Variables* variables, InputValue& out,
                Status& status) {
  out.value = ValueRef{};
  if ((entry.sqlind != nullptr && *entry.sqlind < 0) || entry.sqldata == nullptr) return true;
  const char* data = static_cast<const char*>(entry.sqldata);
  int type = entry.sqltype & DBT_TYPE_MASK;
  int length = entry.sqllen;
  ValueRef& v = out.value;
  switch (type) {
    case DBT_STRING:
    case DBT_DATE:
    case DBT_TIME:
    case DBT_TIMESTAMP: {
      const void* zero = length > 0 ? std::memchr(data, 0, static_cast<size_t>(length)) : nullptr;
      if (zero == nullptr) {
        return status.fail(DBE_INVALID_HOST_VARIABLE,
                           "String host variable %d has no terminator within its length %d",
                           index + 1, length);
      }
      v.kind = Kind::Text;
      v.bytes = data;
      v.size = static_cast<size_t>(static_cast<const char*>(zero) - data);
      return true;
    }
    case DBT_VARCHAR:
    case DBT_BINARY: {
      if (length < 2) {
        return status.fail(DBE_INVALID_HOST_VARIABLE,
                           "Host variable %d has length %d, too short "
                           "for its length field",
                           index + 1, length);
      }
      uint16_t size = load<uint16_t>(data);
      if (size > length - 2) {
        return status.fail(DBE_INVALID_HOST_VARIABLE,
                           "Host variable %d holds %u bytes but its buffer has room for %d",
                           index + 1, size, length - 2);
      }
      v.kind = type == DBT_BINARY ? Kind::Blob : Kind::Text;
      v.bytes = data + 2;
      v.size = size;
      return true;
    }
    case DBT_FIXCHAR: {
      if (length < 0) length = 0;
      size_t size = static_cast<size_t>(length);
      while (size > 0 && data[size - 1] == ' ')
        --size;
      v.kind = Kind::Text;
      v.bytes = data;
      v.size = size;
      return true;
    }
    case DBT_INT:
      return set_integer(v, load<int32_t>(data));
    case DBT_SMALLINT:
      return set_integer(v, load<int16_t>(data));
    case DBT_TINYINT:
      return set_integer(v, load<uint8_t>(data));
    case DBT_BIGINT:
      return set_integer(v, load<int64_t>(data));
    case DBT_UNSINT:
      return set_integer(v, load<uint32_t>(data));
    case DBT_UNSSMALLINT:
      return set_integer(v, load<uint16_t>(data));
    case DBT_UNSBIGINT: {
      uint64_t value = load<uint64_t>(data);
      if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        return status.fail(DBE_VALUE_OUT_OF_RANGE, "Value of host variable %d out of range",
                           index + 1);
      }
      return set_integer(v, static_cast<int64_t>(value));
    }
    case DBT_BIT:
      return set_integer(v, load<uint8_t>(data) != 0);
    case DBT_DOUBLE:
      v.kind = Kind::Real;
      v.real = load<double>(data);
      return true;
    case DBT_FLOAT:
      v.kind = Kind::Real;
      v.real = load<float>(data);
      return true;
    case DBT_TIMESTAMP_STRUCT: {
      dbt_timestamp record = load<dbt_timestamp>(data);
      int size = format_timestamp(record, out.scratch, sizeof out.scratch);
      if (size < 0) {
        return status.fail(DBE_CONVERSION_ERROR, "Host variable %d holds no valid timestamp",
                           index + 1);
      }
      v.kind = Kind::Text;
      v.bytes = out.scratch;
      v.size = static_cast<size_t>(size);
      return true;
    }
    case DBT_VARIABLE: {
      size_t size = strnlen(data, kMaxVariableName + 1);
      if (size > kMaxVariableName) {
        return status.fail(DBE_INVALID_HOST_VARIABLE,
                           "Variable name of host variable %d is "
                           "too long or not terminated",
                           index + 1);
      }
      Variable* variable = variables != nullptr ? variables->find({data, size}) : nullptr;
      if (variable == nullptr) {
        return status.fail(DBE_VARIABLE_NOT_FOUND, "Variable '%.*s' not found",
                           static_cast<int>(size), data);
      }
      v = variable->value.view();
      return true;
    }
    default:
      return status.fail(DBE_INVALID_HOST_VARIABLE, "Host variable %d has unsupported type %d",
                         index + 1, type);
  }
}

bool write_output(const ValueRef& value, sqlvar& entry, int index, Status& status, size_t offset) {
  if (value.kind == Kind::Null) {
    if (entry.sqlind == nullptr) {
      return status.fail(DBE_NO_INDICATOR,
                         "NULL value for host variable %d, which has no "
                         "indicator",
                         index + 1);
    }
    *entry.sqlind = -1;
    return true;
  }
  char* data = static_cast<char*>(entry.sqldata);
  int type = entry.sqltype & DBT_TYPE_MASK;
  int length = entry.sqllen;
  char scratch[32];
  bool is_text = type == DBT_STRING || type == DBT_DATE || type == DBT_TIME ||
                 type == DBT_TIMESTAMP || type == DBT_VARCHAR || type == DBT_BINARY ||
                 type == DBT_FIXCHAR;
  // Numbers are formatted only for text entries: the per-value path stays cheap.
  std::string_view text = is_text ? text_of(value, scratch) : std::string_view();
  if (offset > 0 && (!is_text || offset > text.size())) {
    return status.fail(DBE_BAD_ARGUMENT,
                       is_text ? "Offset %zu lies beyond the end of the value of host variable %d"
                               : "Offset %zu given for host variable %d, which is not text",
                       offset, index + 1);
  }
  if (entry.sqlind != nullptr) *entry.sqlind = 0;
  if (data == nullptr) {
    return status.fail(DBE_INVALID_HOST_VARIABLE, "Host variable %d has no data buffer", index + 1);
  }
  switch (type) {
    case DBT_STRING:
    case DBT_DATE:
    case DBT_TIME:
    case DBT_TIMESTAMP: {
      if (length < 1) {
        return status.fail(DBE_INVALID_HOST_VARIABLE,
                           "String host variable %d has no room for "
                           "its terminator",
                           index + 1);
      }
      size_t count = copy_cut(text, offset, data, static_cast<size_t>(length - 1), entry, status);
      data[count] = '\0';
      return true;
    }
    case DBT_VARCHAR:
    case DBT_BINARY: {
      if (length < 2) {
        return status.fail(DBE_INVALID_HOST_VARIABLE,
                           "Host variable %d has length %d, too short "
                           "for its length field",
                           index + 1, length);
      }
      size_t count =
          copy_cut(text, offset, data + 2, static_cast<size_t>(length - 2), entry, status);
      store<uint16_t>(data, static_cast<uint16_t>(count));
      return true;
    }
    case DBT_FIXCHAR: {
      if (length < 0) length = 0;
      size_t count = copy_cut(text, offset, data, static_cast<size_t>(length), entry, status);
      std::memset(data + count, ' ', static_cast<size_t>(length) - count);
      return true;
    }
    case DBT_INT:
      return put_integer<int32_t>(value, data, index, status);
    case DBT_SMALLINT:
      return put_integer<int16_t>(value, data, index, status);
    case DBT_TINYINT:
      return put_integer<uint8_t>(value, data, index, status);
    case DBT_BIGINT:
      return put_integer<int64_t>(value, data, index, status);
    case DBT_UNSINT:
      return put_integer<uint32_t>(value, data, index, status);
    case DBT_UNSSMALLINT:
      return put_integer<uint16_t>(value, data, index, status);
    case DBT_UNSBIGINT:
      return put_integer<uint64_t>(value, data, index, status);
    case DBT_BIT: {
      ValueRef number;
      if (!numeric(value, index, number, status)) return false;
      bool set = number.kind == Kind::Integer ? number.integer != 0 : number.real != 0;
      store<uint8_t>(data, set ? 1 : 0);
      return true;
    }
    case DBT_DOUBLE:
    case DBT_FLOAT: {
      ValueRef number;
      if (!numeric(value, index, number, status)) return false;
      double real =
          number.kind == Kind::Integer ? static_cast<double>(number.integer) : number.real;
      if (type == DBT_DOUBLE) {
        store<double>(data, real);
      } else {
        store<float>(data, static_cast<float>(real));
      }
      return true;
    }
    case DBT_TIMESTAMP_STRUCT: {
      dbt_timestamp record;
      if (value.kind != Kind::Text ||
          !parse_timestamp(std::string_view(value.bytes, value.size), record)) {
        return status.fail(DBE_CONVERSION_ERROR,
                           "Cannot convert the value of host variable %d "
                           "to a timestamp",
                           index + 1);
      }
      store_timestamp(data, record);
      return true;
    }
    default:
      return status.fail(DBE_INVALID_HOST_VARIABLE, "Host variable %d has unsupported type %d",
                         index + 1, type);
  }
}

}  // namespace dblib
