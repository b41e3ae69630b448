#include "query/update_query_request.h"

#include "app/check_record.h"

void buildObjectName(char* objectName, std::size_t width, const CheckRecord& record) {
  copyBounded(objectName, kUpdateObjectBase, width);
  appendBounded(objectName, "?name=", width);
  appendBounded(objectName, record.productName, width);
  appendBounded(objectName, "&plat=", width);
  appendBounded(objectName, record.platform, width);
  appendBounded(objectName, "&type=", width);
  appendBounded(objectName, record.productType, width);
}
