// neSensor handle methods.
#include "physics/body.h"
#include "physics/sensor_record.h"

void neSensor::SetLine(const neVector3& start, const neVector3& lineVector) {
  neSensorRecord* s = neRecordOf(this);
  s->start = start;
  s->line = lineVector;
  s->length = lineVector.Length();  // 0 when the square is below 1e-6
  if (s->length == 0.0f) {
    s->direction = neV3(0.0f, 0.0f, 0.0f);
  } else {
    s->direction = lineVector.Scaled(1.0f / s->length);
  }
}

neVector3 neSensor::GetStartPoint() const { return neRecordOf(this)->start; }
neVector3 neSensor::GetLineVector() const { return neRecordOf(this)->line; }
neVector3 neSensor::GetDirection() const { return neRecordOf(this)->direction; }
float neSensor::GetLineLength() const { return neRecordOf(this)->length; }
void neSensor::SetUserData(int32_t data) { neRecordOf(this)->userData = data; }
int32_t neSensor::GetUserData() const { return neRecordOf(this)->userData; }
float neSensor::GetHitDepth() const { return neRecordOf(this)->depth; }
neVector3 neSensor::GetHitNormal() const { return neRecordOf(this)->normal; }
neVector3 neSensor::GetHitPoint() const { return neRecordOf(this)->point; }
int32_t neSensor::GetHitMaterial() const { return neRecordOf(this)->material; }

neRigidBody* neSensor::GetHitRigidBody() const {
  neBody* b = neRecordOf(this)->body;
  return b ? b->AsRigid() : nullptr;
}

neAnimatedBody* neSensor::GetHitAnimatedBody() const {
  neBody* b = neRecordOf(this)->body;
  return b ? b->AsAnimated() : nullptr;
}
