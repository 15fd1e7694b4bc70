#include "front/api_examples.h"

// Keys in the order of the row; only the keys whose generated value would be
// refused are given.
const ApiExample kApiExamples[] = {
    // cameras: a camera needs an address and a port to be reached by
    {"/2003", R"({"name":"Gate","ipAddr":"192.168.1.20","managePort":80,"userName":"admin","password":"Admin1234"})"},
    {"/2004", R"({"name":"Gate","ipAddr":"192.168.1.20","managePort":80,"userName":"admin","password":"Admin1234"})"},
    {"/2014", R"({"ipAddr":"192.168.1.20","managePort":80,"userName":"admin","password":"Admin1234"})"},
    {"/2015", R"({"ipAddr":"192.168.1.20","managePort":80,"userName":"admin","password":"Admin1234"})"},
    {"/2017", R"({"userName":"admin","password":"Admin1234"})"},
    {"/2080", R"({"url":"http://192.168.1.20/ipc-firmware.bin"})"},
    {"/ipc", R"({"startip":"192.168.1.20","chnNum":4,"chnFre":1})"},
    // PTZ: a serial line of 8 data bits to channel 0; tours are numbered from 1
    {"/6051", R"({"cnt":1,"chnid":[0],"baudRate":9600,"dataBits":8,"stopBits":1,"address":1})"},
    {"/6055", R"({"tourid":1})"},
    {"/6056", R"({"tourid":1})"},
    {"/6057", R"({"tourid":1})"},
    // storage: the first array id and the first disk port
    {"/6104", R"({"id":10,"enable":1,"sata_port":3,"sata_cnt":2,"level":1})"},
    {"/6200", R"({"num":1,"port":[1]})"},
    {"/6201", R"({"num":1,"port":[1],"vendor":["nas"],"address":["192.168.1.30"],"directory":["/share"]})"},
    {"/6202", R"({"port":1,"serverAddr":"192.168.1.30"})"},
    {"/6203", R"({"port":1,"vendor":"nas","address":"192.168.1.30","directory":"/share"})"},
    {"/6206", R"({"num":1,"port":[1]})"},
    {"/6105", "10"},
    // playback: times of the recorder's clock, one channel
    {"/4009", R"({"jumpTime":"2024-05-01 12:00:00","sid":[0],"chnid":[0],"num":1})"},
    {"/4013", R"({"startTime":"2024-05-01T12:00:00Z","endTime":"2024-05-01T12:01:00Z"})"},
    {"/4020", R"({"mask0":1,"playTime":"2024-05-01 12:00:00"})"},
    // system: the log of a day, of every kind, in English
    {"/1002", R"({"language":"English","mainType":1,"subTypeArr":[10],"startTime":"2024-05-01 00:00:00",)"
              R"("endTime":"2024-05-01 23:59:59","curPageNum":1,"chnMask":"1"})"},
    {"/1003", R"({"language":"English","mainType":1,"subTypeArr":[10],"startTime":"2024-05-01T00:00:00",)"
              R"("endTime":"2024-05-01T23:59:59","curPageNum":1,"ch":"1"})"},
    {"/1012", R"({"hostName":"NVR","deviceId":1})"},
    {"/6323", R"({"idMask":1})"},
    {"/6324", R"({"id":0,"name":"Doorbell"})"},
    // number plates: one plate per list entry
    {"/6183", R"({"cnt":1,"plate":["AB123"]})"},
    {"/6184", R"({"cnt":1,"plate":[["0","AB123"]]})"},
    {"/6185", R"({"cnt":1,"plate":[["AB123","0","AB124"]]})"},
    // status: a capture on the loopback interface, kept in /tmp
    {"/8005", R"({"nic":"lo","mntPath":"/tmp"})"},
};
const int kApiExampleCount = sizeof kApiExamples / sizeof kApiExamples[0];
