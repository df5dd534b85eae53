#include "host/exports.h"
#include "platform/fmath.h"

extern "C" int16_t KINEMO_STDCALL GetRunObjectDataSize(uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    return sizeof(RunData);
}

// Writes every motion default; leaves the host's header and `target` alone.
extern "C" int16_t KINEMO_STDCALL CreateRunObject(RunData* rd, uint32_t a, uint32_t b) {
    (void)a;
    (void)b;
    rd->angle = 0.0f;
    rd->gravityStrength = 0.0f;
    rd->gravityAngle = f32FromBits(kDefaultGravityAngleBits);
    rd->xSpeed = 0.0f;
    rd->ySpeed = 0.0f;
    rd->speed = 0.0f;
    rd->x = 0.0f;
    rd->y = 0.0f;
    rd->maxSpeed = 0.0f;
    rd->minSpeed = 0.0f;
    rd->bounceCoefficient = f32FromBits(kDefaultBounceBits);
    rd->mode = ModeNone;
    rd->boundLeft = 0;
    rd->boundTop = 0;
    rd->boundRight = 0;
    rd->boundBottom = 0;
    rd->objectSet = 0;
    rd->paused = 0;
    return 0;
}

extern "C" {
int16_t KINEMO_STDCALL DestroyRunObject(uint32_t a, uint32_t b) { (void)a; (void)b; return 0; }
// A Kinemo instance draws nothing, and the host's pause does not touch `paused`.
int16_t KINEMO_STDCALL DisplayRunObject(uint32_t a) { (void)a; return 0; }
int16_t KINEMO_STDCALL PauseRunObject(uint32_t a) { (void)a; return 0; }
int16_t KINEMO_STDCALL ContinueRunObject(uint32_t a) { (void)a; return 0; }
}
