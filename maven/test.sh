#!/usr/bin/env bash
# The Maven build, offline against Debian's Maven repository, into a local
# repository of the tests' own (WORK/repository):
#   test.sh install WORK DIST      the runtime artifact (with sources and Javadoc,
#                                  which fails on any warning), the plugin and what
#                                  it shares with the Gradle plugin
#   test.sh hello WORK DIST        examples/hello-maven gives target/hello.exe
#   test.sh bad-setting WORK DIST  a bad setting fails the build with the builder's message
# Sources are copied below WORK first, so that no target/ lands in the tree.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case=$1 work=$2 dist=$3
repository=$work/repository

fail() { echo "FAIL: $*"; exit 1; }
mvn_offline() {
  mvn -B -o -s "$root/maven/settings.xml" -Dmaven.repo.local="$repository" "$@"
}
fresh_copy() {  # fresh_copy DIR PATH...: copies the tree's PATHs below WORK/DIR
  rm -rf "${work:?}/$1"
  mkdir -p "$work/$1"
  (cd "$root" && cp -r --parents "${@:2}" "$work/$1/")
}

case $case in
install)
  fresh_copy src maven/pom.xml maven/qarvo-maven-plugin/pom.xml maven/qarvo-maven-plugin/src \
             maven/qarvo-plugin-support/pom.xml maven/qarvo-plugin-support/src runtime/pom.xml runtime/src/main
  mvn_offline -f "$work/src/maven/pom.xml" install -Dqarvo.dist="$dist" || fail "mvn install"
  installed=$repository/com/qarvo
  for jar in qarvo-runtime/1.0.0-SNAPSHOT/qarvo-runtime-1.0.0-SNAPSHOT{,-sources,-javadoc}.jar \
             qarvo-plugin-support/1.0.0-SNAPSHOT/qarvo-plugin-support-1.0.0-SNAPSHOT.jar \
             qarvo-maven-plugin/1.0.0-SNAPSHOT/qarvo-maven-plugin-1.0.0-SNAPSHOT.jar; do
    [ -f "$installed/$jar" ] || fail "not installed: $jar"
  done
  jar tf "$installed/qarvo-runtime/1.0.0-SNAPSHOT/qarvo-runtime-1.0.0-SNAPSHOT-javadoc.jar" |
    grep -qx 'com/qarvo/runtime/QarvoController.html' || fail "no Javadoc of QarvoController"
  jar tf "$installed/qarvo-maven-plugin/1.0.0-SNAPSHOT/qarvo-maven-plugin-1.0.0-SNAPSHOT.jar" |
    grep -qx 'qarvo-dist/bin/linux-x64/qarvo-build' || fail "the plugin carries no qarvo-build"
  ;;
hello)
  fresh_copy hello examples/hello-maven
  project=$work/hello/examples/hello-maven
  mvn_offline -f "$project/pom.xml" package || fail "mvn package"
  [ -f "$project/target/hello.exe" ] || fail "no target/hello.exe"
  for jar in hello-1.0.jar qarvo-runtime-1.0.0-SNAPSHOT.jar; do
    [ -f "$project/target/lib/$jar" ] || fail "no target/lib/$jar"
  done
  inspected=$("$dist/bin/qarvo-build" inspect "$project/target/hello.exe") || fail "inspect"
  echo "$inspected"
  grep -qx 'main-class = "hello.Main"' <<<"$inspected" || fail "main class"
  grep -q 'class-path = .*"lib\\\\hello-1.0.jar".*"lib\\\\qarvo-runtime-1.0.0-SNAPSHOT.jar"' <<<"$inspected" ||
    fail "class path"
  ;;
bad-setting)
  fresh_copy bad examples/hello-maven
  project=$work/bad/examples/hello-maven
  sed -i 's#<min-version>1.8</min-version>#<min-version>true</min-version>#' "$project/pom.xml"
  grep -q '<min-version>true' "$project/pom.xml" || fail "the example has no min-version to spoil"
  output=$(mvn_offline -f "$project/pom.xml" package 2>&1)
  status=$?
  echo "$output"
  [ $status -ne 0 ] || fail "the build succeeded"
  grep -qE '^\[ERROR\] .*hello\.toml:[0-9]+:.*java\.min-version' <<<"$output" || fail "no builder error in the log"
  grep -qE '^\[ERROR\] Failed to execute goal com\.qarvo:qarvo-maven-plugin.*qarvo-build failed.*java\.min-version' \
    <<<"$output" || fail "the failure does not name the builder's message"
  ;;
*)
  fail "unknown case $case"
  ;;
esac
echo "PASS: maven $case"
