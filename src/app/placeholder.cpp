// The Qt shell grows here: TForm1 and its pages.
namespace quorvan_app {
int placeholder() { return 0; }
}
